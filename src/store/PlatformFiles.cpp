#include "store/PlatformFiles.h"

#include <atomic>
#include <cstdio>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_WIN)
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FileIdentity FileIdentity::of(const QString& path)
{
    FileIdentity id;
#if !defined(Q_OS_WIN)
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return id;
    id.size = qint64(st.st_size);
#if defined(Q_OS_DARWIN)
    id.modifiedNs = qint64(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
#else
    // Here Qt's file times stand in for the inode: a file put in place of
    // another has a creation time of its own.
    const QFileInfo info(path);
    if (!info.exists())
        return id;
    id.size = info.size();
    id.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    id.inode = quint64(info.birthTime().toMSecsSinceEpoch());
#endif
    return id;
}

bool isSameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    if (fa.canonicalFilePath() == fb.canonicalFilePath())
        return true;
    const FileIdentity ia = FileIdentity::of(a);
    const FileIdentity ib = FileIdentity::of(b);
    return ia.isValid() && ia == ib && (ia.device != 0 || ia.inode != 0);
}

// flock() locks belong to the open file, not to the process as fcntl() locks
// do: another handle of the same file closed meanwhile does not drop them.
bool markBeingWritten(QFile& file)
{
#if !defined(Q_OS_WIN)
    return file.handle() >= 0 && ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
#else
    return file.isOpen();
#endif
}

bool isBeingWritten(const QString& path)
{
#if !defined(Q_OS_WIN)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
#else
    Q_UNUSED(path);
    return false;
#endif
}

namespace {

std::atomic<int> fileSyncs{0};

} // namespace

bool syncToDisk(QFileDevice& file)
{
#if defined(Q_OS_WIN)
    const bool synced = _commit(file.handle()) == 0;
#else
    const bool synced = ::fsync(file.handle()) == 0;
#endif
    if (synced)
        ++fileSyncs;
    return synced;
}

void startWritingToDisk(QFileDevice& file, qint64 offset, qint64 length)
{
#if defined(Q_OS_LINUX)
    ::sync_file_range(file.handle(), off64_t(offset), off64_t(length), SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
    Q_UNUSED(offset);
    Q_UNUSED(length);
#endif
}

int filesSyncedToDisk()
{
    return fileSyncs.load();
}

bool syncFolder(const QString& folder)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(folder);
    return true;
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#endif
}

void releaseBeforeRename(QFileDevice& file)
{
#if defined(Q_OS_WIN)
    file.close();
#else
    Q_UNUSED(file);
#endif
}

void setStandardOutputBinary()
{
#if defined(Q_OS_WIN)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

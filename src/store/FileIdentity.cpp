#include "store/FileIdentity.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FileIdentity FileIdentity::of(const QString& path)
{
    FileIdentity id;
#if defined(Q_OS_UNIX)
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
    // Elsewhere Qt's file times stand in for the inode: a file put in place
    // of another has a creation time of its own.
    const QFileInfo info(path);
    if (!info.exists())
        return id;
    id.size = info.size();
    id.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    id.inode = quint64(info.birthTime().toMSecsSinceEpoch());
#endif
    return id;
}

// flock() locks belong to the open file, not to the process as fcntl() locks
// do: another handle of the same file closed meanwhile does not drop them.
bool markBeingWritten(QFile& file)
{
#if defined(Q_OS_UNIX)
    return file.handle() >= 0 && ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
#else
    return file.isOpen();
#endif
}

bool isBeingWritten(const QString& path)
{
#if defined(Q_OS_UNIX)
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

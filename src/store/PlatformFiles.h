#pragma once

// The one place with system-specific file calls (POSIX and Windows): the
// identity of a file, the mark of a file being written, forcing files and
// folder entries onto the disk, and the byte mode of standard output. Every
// other file of the program goes through Qt or these functions.

#include <QString>
#include <QtGlobal>

class QFile;
class QFileDevice;

// What tells one state of a file from another without reading it: its size,
// its modification time and the file itself (device and inode where the
// system has them). A file replaced under the same name, or written to, gets
// another identity.
struct FileIdentity
{
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity&) const = default;
    bool isValid() const { return size >= 0; }

    // The identity of `path` now; invalid when the file cannot be found.
    static FileIdentity of(const QString& path);
};

// True when `a` and `b` name the same existing file, however the paths are
// spelled (relative, "..", links): the same file identity.
bool isSameFile(const QString& a, const QString& b);

// A file being written keeps this mark for as long as `file` stays open, so
// that another process does not take it for a leftover: a process killed
// while writing leaves its file unmarked. False when the mark cannot be set.
bool markBeingWritten(QFile& file);
// True when another open file holds the mark of `path` (markBeingWritten),
// or when that cannot be told. Where the system has no such mark (Windows),
// a file that is open cannot be removed anyway, and this is false.
bool isBeingWritten(const QString& path);

// Forces what was written to `file` onto the disk (fsync).
bool syncToDisk(QFileDevice& file);
// Starts writing `length` bytes of `file` from `offset` to the disk without
// waiting for them (Linux), so that a long copy to be synced at its end
// keeps the disk busy while it copies instead of leaving it all to the
// final syncToDisk(). Elsewhere it does nothing.
void startWritingToDisk(QFileDevice& file, qint64 offset, qint64 length);
// How many files syncToDisk() forced onto the disk in this process (tests).
int filesSyncedToDisk();
// Forces the names in `folder` (a file renamed into it, one removed) onto the
// disk. Windows keeps them with the file itself.
bool syncFolder(const QString& folder);
// Windows cannot rename a file that is open: there `file` is closed before
// it is renamed. Elsewhere it stays open, and keeps its mark until then.
void releaseBeforeRename(QFileDevice& file);

// Standard output takes bytes as they are: no line-end translation (Windows).
void setStandardOutputBinary();

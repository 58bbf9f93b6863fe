#pragma once

#include <QString>
#include <QtGlobal>

// What tells one state of a file from another without reading it: its size,
// its modification time and the file itself (device and inode where the
// system has them). A file replaced under the same name, or written to, gets
// another identity. This file is the one place with system-specific file
// calls (the identity, and the mark of a file being written).
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

class QFile;

// A file being written keeps this mark for as long as `file` stays open, so
// that another process does not take it for a leftover: a process killed
// while writing leaves its file unmarked. False when the mark cannot be set.
bool markBeingWritten(QFile& file);
// True when another open file holds the mark of `path` (markBeingWritten),
// or when that cannot be told. Where the system has no such mark (Windows),
// a file that is open cannot be removed anyway, and this is false.
bool isBeingWritten(const QString& path);

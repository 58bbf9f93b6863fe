#pragma once

#include <QString>
#include <QtGlobal>

// What tells one state of a file from another without reading it: its size,
// its modification time and the file itself (device and inode where the
// system has them). A file replaced under the same name, or written to, gets
// another identity. This is the one place with system-specific file calls.
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

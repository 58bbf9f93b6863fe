#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QBuffer;
class QuaZip;

// A zip archive read from bytes in memory, as Office documents are packed
// (QuaZip underneath). Entries are found by name without regard to case, as
// the Open Packaging Conventions compare part names. What it unpacks is
// bounded (a zip bomb stops at the limits with a message instead of filling
// the memory), and a damaged entry is reported, never read half.
namespace docx {

struct ArchiveLimits
{
    int maxEntries = 20000;
    qint64 maxEntryBytes = 64ll * 1024 * 1024;  // one entry unpacked
    qint64 maxTotalBytes = 256ll * 1024 * 1024; // everything unpacked from one archive
};

class ZipArchive
{
public:
    // Opens the archive in `data`; nullptr with the reason (for the teacher)
    // in `error` when it is no zip archive or its directory is damaged.
    static std::unique_ptr<ZipArchive> open(QByteArray data, QString* error,
                                            const ArchiveLimits& limits = ArchiveLimits());
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    static bool looksLikeZip(const QByteArray& data);

    QStringList entryNames() const { return names_; }
    bool contains(const QString& name) const;
    // The unpacked bytes of entry `name` (a leading '/' is ignored); nullopt
    // with the reason in `error` when there is none, it is encrypted or
    // damaged, or unpacking it would pass a limit.
    std::optional<QByteArray> read(const QString& name, QString* error);
    qint64 unpackedBytes() const { return unpacked_; }

private:
    ZipArchive() = default;

    QByteArray data_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QuaZip> zip_;
    ArchiveLimits limits_;
    QStringList names_;
    QHash<QString, QString> byFolded_; // lower-case name -> name as stored
    qint64 unpacked_ = 0;
};

} // namespace docx

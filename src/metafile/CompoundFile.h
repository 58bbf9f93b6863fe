#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace metafile {

// An OLE compound file (structured storage: the container of Word 97 files,
// and of the native data of embedded objects such as MathType equations),
// read from bytes in memory. Only reads: the header, the sector allocation
// tables (FAT, mini FAT, DIFAT), the directory and the streams. A damaged
// file (chains that loop, run out of the file or cross each other, a
// directory that points at itself) gives what can be read, never a hang.
class CompoundFile
{
public:
    struct Entry
    {
        QString path; // names joined with '/', e.g. "Equation Native" or "ObjectPool/_123/Ole"
        bool storage = false;
        quint64 size = 0; // streams only
    };

    // The file's directory; nullopt (with the reason in `error`) when `data`
    // is not a compound file or its header or tables are unusable.
    static std::optional<CompoundFile> read(QByteArray data, QString* error = nullptr);
    static bool looksLikeCompoundFile(QByteArrayView data);

    const QList<Entry>& entries() const { return entries_; }
    // The bytes of the stream at `path` (names compare without case, as
    // compound files do); nullopt when there is none or it cannot be read.
    std::optional<QByteArray> stream(const QString& path) const;

private:
    struct DirEntry
    {
        QString name;
        int type = 0; // 1 storage, 2 stream, 5 root
        quint32 left = 0xFFFFFFFFu;
        quint32 right = 0xFFFFFFFFu;
        quint32 child = 0xFFFFFFFFu;
        quint32 start = 0;
        quint64 size = 0;
    };

    CompoundFile() = default;
    std::optional<QByteArray> readChain(quint32 start, quint64 size, bool mini) const;
    QList<quint32> chain(const QList<quint32>& table, quint32 start, qsizetype limit) const;
    void collect(quint32 index, const QString& prefix, int depth, QList<bool>& seen);

    QByteArray data_;
    int sectorShift_ = 9;
    quint32 miniCutoff_ = 4096;
    QList<quint32> fat_;
    QList<quint32> miniFat_;
    QByteArray miniStream_;
    QList<DirEntry> dir_;
    QList<Entry> entries_;
    QList<quint32> entryIndex_; // directory index of each entry
};

// An OLE 1 object as RTF's \objdata holds it: the class name and, for an
// embedded object, its native data (for OLE 2 objects: a compound file).
struct OleObject
{
    QString className;
    bool embedded = false;
    QByteArray nativeData;
};
// Reads the OLE 1 wrapper; bytes that are a compound file already are taken
// as the native data of an object of unknown class. nullopt for anything else.
std::optional<OleObject> readOleObject(QByteArrayView objdata);

} // namespace metafile

#include "metafile/CompoundFile.h"

#include "metafile/ByteReader.h"

using namespace Qt::StringLiterals;

namespace metafile {

namespace {

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr quint32 kEndOfChain = 0xFFFFFFFEu;
constexpr quint32 kMaxRegular = 0xFFFFFFFAu;
constexpr quint32 kNoStream = 0xFFFFFFFFu;
constexpr int kMaxDepth = 32;

} // namespace

bool CompoundFile::looksLikeCompoundFile(QByteArrayView data)
{
    return data.size() >= 512 && data.startsWith(QByteArrayView(kSignature, 8));
}

QList<quint32> CompoundFile::chain(const QList<quint32>& table, quint32 start, qsizetype limit) const
{
    // A chain never holds a sector twice and is never longer than the table:
    // a loop or a cross-link in a damaged file ends it.
    QList<quint32> sectors;
    QList<bool> seen(table.size(), false);
    quint32 s = start;
    while (s <= kMaxRegular && s < quint32(table.size()) && !seen[s] && sectors.size() < limit) {
        seen[s] = true;
        sectors << s;
        s = table[s];
    }
    return sectors;
}

std::optional<CompoundFile> CompoundFile::read(QByteArray data, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<CompoundFile> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!looksLikeCompoundFile(data))
        return fail(u"不是复合文档"_s);
    ByteReader h(data);
    if (h.u16At(0x1C) != 0xFFFE)
        return fail(u"复合文档的字节序标记不对"_s);
    const int shift = h.u16At(0x1E);
    if (shift != 9 && shift != 12)
        return fail(u"复合文档的扇区大小不对"_s);
    CompoundFile f;
    f.data_ = std::move(data);
    f.sectorShift_ = shift;
    const qsizetype sectorSize = qsizetype(1) << shift;
    const qsizetype sectors = (f.data_.size() - 1) / sectorSize; // the header takes the first
    f.miniCutoff_ = h.u32At(0x38) ? h.u32At(0x38) : 4096;
    const quint32 firstDir = h.u32At(0x30);
    const quint32 firstMiniFat = h.u32At(0x3C);
    const quint32 miniFatCount = h.u32At(0x40);
    quint32 difat = h.u32At(0x44);
    const quint32 difatCount = h.u32At(0x48);

    // The FAT's own sectors: 109 in the header, the rest in the DIFAT chain.
    QList<quint32> fatSectors;
    for (int i = 0; i < 109; ++i) {
        const quint32 s = h.u32At(0x4C + 4 * i);
        if (s <= kMaxRegular)
            fatSectors << s;
    }
    QList<bool> seenDifat(sectors + 1, false);
    for (quint32 n = 0;
         n < difatCount && difat <= kMaxRegular && difat < quint32(sectors) && !seenDifat[difat]; ++n) {
        seenDifat[difat] = true;
        const qsizetype at = (qsizetype(difat) + 1) * sectorSize;
        for (qsizetype i = 0; i < sectorSize / 4 - 1; ++i) {
            const quint32 s = h.u32At(at + 4 * i);
            if (s <= kMaxRegular)
                fatSectors << s;
        }
        difat = h.u32At(at + sectorSize - 4);
    }
    for (quint32 s : fatSectors) {
        if (s >= quint32(sectors))
            continue;
        const qsizetype at = (qsizetype(s) + 1) * sectorSize;
        for (qsizetype i = 0; i < sectorSize / 4 && f.fat_.size() < sectors + 1; ++i)
            f.fat_ << h.u32At(at + 4 * i);
    }
    if (f.fat_.isEmpty())
        return fail(u"复合文档的分配表是空的"_s);

    // The directory.
    const QList<quint32> dirSectors = f.chain(f.fat_, firstDir, sectors);
    for (quint32 s : dirSectors) {
        const qsizetype at = (qsizetype(s) + 1) * sectorSize;
        for (qsizetype e = 0; e < sectorSize / 128; ++e) {
            const qsizetype base = at + e * 128;
            if (base + 128 > f.data_.size())
                break;
            DirEntry d;
            const int nameBytes = std::min<int>(h.u16At(base + 0x40), 64);
            for (int i = 0; i + 1 < nameBytes; i += 2) {
                const char16_t c = h.u16At(base + i);
                if (c == 0)
                    break;
                d.name += QChar(c);
            }
            d.type = quint8(f.data_[base + 0x42]);
            d.left = h.u32At(base + 0x44);
            d.right = h.u32At(base + 0x48);
            d.child = h.u32At(base + 0x4C);
            d.start = h.u32At(base + 0x74);
            d.size = h.u32At(base + 0x78);
            if (h.u16At(0x1A) >= 4) // version 3 files leave the high half undefined
                d.size |= quint64(h.u32At(base + 0x7C)) << 32;
            f.dir_ << d;
        }
    }
    if (f.dir_.isEmpty() || f.dir_.first().type != 5)
        return fail(u"复合文档没有根目录"_s);

    // The mini stream and its allocation table.
    const QList<quint32> miniFatSectors =
        f.chain(f.fat_, firstMiniFat, std::min<qsizetype>(miniFatCount, sectors));
    for (quint32 s : miniFatSectors) {
        const qsizetype at = (qsizetype(s) + 1) * sectorSize;
        for (qsizetype i = 0; i < sectorSize / 4; ++i)
            f.miniFat_ << h.u32At(at + 4 * i);
    }
    const DirEntry& root = f.dir_.first();
    if (std::optional<QByteArray> mini = f.readChain(root.start, root.size, false))
        f.miniStream_ = *mini;

    QList<bool> seen(f.dir_.size(), false);
    seen[0] = true;
    f.collect(root.child, QString(), 0, seen);
    return f;
}

void CompoundFile::collect(quint32 index, const QString& prefix, int depth, QList<bool>& seen)
{
    // The siblings of a storage form a tree of their own (left, right); each
    // storage's children hang from it. A damaged file may make them point
    // back: every entry is visited once.
    QList<quint32> pending{index};
    while (!pending.isEmpty()) {
        const quint32 i = pending.takeLast();
        if (i == kNoStream || i >= quint32(dir_.size()) || seen[i])
            continue;
        seen[i] = true;
        const DirEntry& d = dir_[i];
        pending << d.left << d.right;
        if (d.type != 1 && d.type != 2)
            continue;
        const QString path = prefix.isEmpty() ? d.name : prefix + u'/' + d.name;
        entries_ << Entry{path, d.type == 1, d.type == 2 ? d.size : 0};
        entryIndex_ << i;
        if (d.type == 1 && depth < kMaxDepth)
            collect(d.child, path, depth + 1, seen);
    }
}

std::optional<QByteArray> CompoundFile::readChain(quint32 start, quint64 size, bool mini) const
{
    const qsizetype unit = mini ? 64 : qsizetype(1) << sectorShift_;
    const QList<quint32>& table = mini ? miniFat_ : fat_;
    const qsizetype available = mini ? miniStream_.size() : data_.size();
    if (size > quint64(available))
        return std::nullopt;
    const qsizetype needed = qsizetype((size + unit - 1) / unit);
    const QList<quint32> sectors = chain(table, start, needed);
    if (sectors.size() < needed)
        return std::nullopt;
    QByteArray out;
    out.reserve(qsizetype(size));
    for (quint32 s : sectors) {
        const qsizetype at = mini ? qsizetype(s) * unit : (qsizetype(s) + 1) * unit;
        const QByteArray& source = mini ? miniStream_ : data_;
        const qsizetype n = std::min<qsizetype>(unit, qsizetype(size) - out.size());
        if (at < 0 || at + n > source.size())
            return std::nullopt;
        out.append(source.constData() + at, n);
    }
    return out;
}

std::optional<QByteArray> CompoundFile::stream(const QString& path) const
{
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (e.storage || e.path.compare(path, Qt::CaseInsensitive) != 0)
            continue;
        const DirEntry& d = dir_[entryIndex_[i]];
        return readChain(d.start, d.size, d.size < miniCutoff_);
    }
    return std::nullopt;
}

std::optional<OleObject> readOleObject(QByteArrayView objdata)
{
    if (CompoundFile::looksLikeCompoundFile(objdata))
        return OleObject{QString(), true, objdata.toByteArray()};
    ByteReader r(objdata);
    r.u32(); // OLE version
    const quint32 format = r.u32();
    if (r.overrun() || (format != 1 && format != 2))
        return std::nullopt;
    auto lengthPrefixed = [&r]() -> QByteArrayView {
        const quint32 n = r.u32();
        if (n > quint32(r.remaining()))
            return r.bytes(-1);
        QByteArrayView s = r.bytes(n);
        const qsizetype end = s.indexOf('\0');
        return end >= 0 ? s.first(end) : s;
    };
    OleObject o;
    o.className = QString::fromLatin1(lengthPrefixed());
    o.embedded = format == 2;
    if (r.overrun())
        return std::nullopt;
    if (o.embedded) {
        lengthPrefixed(); // topic
        lengthPrefixed(); // item
        const quint32 n = r.u32();
        if (r.overrun() || n > quint32(r.remaining()))
            return std::nullopt;
        o.nativeData = r.bytes(n).toByteArray();
    }
    return o;
}

} // namespace metafile

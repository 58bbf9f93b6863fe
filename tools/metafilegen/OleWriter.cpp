#include "OleWriter.h"

#include <algorithm>

namespace metafilegen {

namespace {

constexpr quint32 kFree = 0xFFFFFFFFu;
constexpr quint32 kEnd = 0xFFFFFFFEu;
constexpr quint32 kFatSector = 0xFFFFFFFDu;
constexpr int kSector = 512;

void put16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void set32(QByteArray& out, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Compound files order siblings by name length first, then by the names in
// upper case.
bool nameLess(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    return a.toUpper() < b.toUpper();
}

QByteArray dirEntry(const QString& name, int type, quint32 right, quint32 child, quint32 start, quint32 size)
{
    QByteArray e;
    for (int i = 0; i < 32; ++i)
        put16(e, i < name.size() ? name[i].unicode() : 0);
    put16(e, name.isEmpty() ? 0 : (name.size() + 1) * 2);
    e.append(char(type)).append(char(1)); // black
    put32(e, kFree);                      // left
    put32(e, right);
    put32(e, child);
    e.append(QByteArray(16 + 4 + 16, '\0')); // class id, state, times
    put32(e, start);
    put32(e, size);
    put32(e, 0);
    return e;
}

} // namespace

QByteArray compoundFile(const QList<std::pair<QString, QByteArray>>& input)
{
    QList<std::pair<QString, QByteArray>> streams = input;
    std::sort(streams.begin(), streams.end(),
              [](const auto& a, const auto& b) { return nameLess(a.first, b.first); });

    // The mini stream: each small stream in whole 64-byte sectors.
    QByteArray mini;
    QList<quint32> miniFat;
    QList<quint32> starts(streams.size(), kEnd);
    for (int i = 0; i < streams.size(); ++i) {
        const QByteArray& data = streams[i].second;
        if (data.size() >= 4096 || data.isEmpty())
            continue;
        const quint32 first = quint32(mini.size() / 64);
        const int sectors = int((data.size() + 63) / 64);
        for (int s = 0; s < sectors; ++s)
            miniFat << (s + 1 < sectors ? first + s + 1 : kEnd);
        starts[i] = first;
        mini.append(data);
        mini.append(QByteArray((64 - data.size() % 64) % 64, '\0'));
    }

    auto sectorsFor = [](qsizetype bytes) { return int((bytes + kSector - 1) / kSector); };
    const int dirSectors = sectorsFor((streams.size() + 1) * 128);
    const int miniFatSectors = sectorsFor(miniFat.size() * 4);
    const int miniSectors = sectorsFor(mini.size());
    int bigSectors = 0;
    for (const auto& s : streams) {
        if (s.second.size() >= 4096)
            bigSectors += sectorsFor(s.second.size());
    }
    // The FAT covers itself too.
    int fatSectors = 1;
    while (fatSectors * (kSector / 4) < fatSectors + dirSectors + miniFatSectors + miniSectors + bigSectors)
        ++fatSectors;

    QList<quint32> fat(fatSectors * (kSector / 4), kFree);
    quint32 next = 0;
    auto allocate = [&](int count) {
        const quint32 first = count ? next : kEnd;
        for (int i = 0; i < count; ++i, ++next)
            fat[next] = i + 1 < count ? next + 1 : kEnd;
        return first;
    };
    for (int i = 0; i < fatSectors; ++i)
        fat[next++] = kFatSector;
    const quint32 dirStart = allocate(dirSectors);
    const quint32 miniFatStart = allocate(miniFatSectors);
    const quint32 miniStart = allocate(miniSectors);
    for (int i = 0; i < streams.size(); ++i) {
        if (streams[i].second.size() >= 4096)
            starts[i] = allocate(sectorsFor(streams[i].second.size()));
    }

    QByteArray file(kSector, '\0');
    file.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    set32(file, 0x18, 0x0003003E); // minor 0x3E, major 3
    set32(file, 0x1C, 0x0009FFFE); // byte order, sector shift 9
    set32(file, 0x20, 6);          // mini sector shift
    set32(file, 0x2C, fatSectors);
    set32(file, 0x30, dirStart);
    set32(file, 0x38, 4096);
    set32(file, 0x3C, miniFatSectors ? miniFatStart : kEnd);
    set32(file, 0x40, miniFatSectors);
    set32(file, 0x44, kEnd);
    for (int i = 0; i < 109; ++i)
        set32(file, 0x4C + 4 * i, i < fatSectors ? quint32(i) : kFree);

    for (quint32 v : fat)
        put32(file, v);
    QByteArray dir = dirEntry(QStringLiteral("Root Entry"), 5, kFree, streams.isEmpty() ? kFree : 1,
                              miniSectors ? miniStart : kEnd, quint32(mini.size()));
    for (int i = 0; i < streams.size(); ++i)
        dir += dirEntry(streams[i].first, 2, i + 1 < streams.size() ? quint32(i + 2) : kFree, kFree,
                        starts[i], quint32(streams[i].second.size()));
    while (dir.size() % kSector)
        dir += dirEntry(QString(), 0, kFree, kFree, 0, 0);
    file += dir;
    QByteArray miniFatBytes;
    for (quint32 v : miniFat)
        put32(miniFatBytes, v);
    while (miniFatBytes.size() % kSector)
        put32(miniFatBytes, kFree);
    file += miniFatBytes;
    file += mini;
    file.append(QByteArray((kSector - mini.size() % kSector) % kSector, '\0'));
    for (const auto& s : streams) {
        if (s.second.size() < 4096)
            continue;
        file += s.second;
        file.append(QByteArray((kSector - s.second.size() % kSector) % kSector, '\0'));
    }
    return file;
}

QByteArray equationNative(const QByteArray& mtef)
{
    QByteArray s;
    put16(s, 28);
    put32(s, 0x00020000);
    put16(s, 0xC1C0);
    put32(s, quint32(mtef.size()));
    s.append(QByteArray(16, '\0'));
    return s + mtef;
}

QByteArray ole1Object(const QString& className, const QByteArray& native)
{
    QByteArray o;
    put32(o, 0x00000501);
    put32(o, 2);
    const QByteArray name = className.toLatin1();
    put32(o, quint32(name.size() + 1));
    o.append(name).append('\0');
    put32(o, 0); // topic
    put32(o, 0); // item
    put32(o, quint32(native.size()));
    o.append(native);
    return o;
}

QByteArray equationStorage(const QByteArray& mtef, const QString& className)
{
    QByteArray ole;
    put32(ole, 0x02000001);
    ole.append(QByteArray(16, '\0'));
    QByteArray compObj;
    put32(compObj, 0xFFFE0001);
    put32(compObj, 0x00000A03);
    put32(compObj, 0xFFFFFFFF);
    compObj.append(QByteArray(16, '\0'));
    const QByteArray user = "MathType 6.0 Equation";
    put32(compObj, quint32(user.size() + 1));
    compObj.append(user).append('\0');
    put32(compObj, 0);
    const QByteArray prog = className.toLatin1();
    put32(compObj, quint32(prog.size() + 1));
    compObj.append(prog).append('\0');
    const QByteArray file = compoundFile({{QStringLiteral("\x01Ole"), ole},
                                          {QStringLiteral("\x01"
                                                          "CompObj"),
                                           compObj},
                                          {QStringLiteral("Equation Native"), equationNative(mtef)}});
    return file;
}

QByteArray equationObject(const QByteArray& mtef, const QString& className)
{
    return ole1Object(className, equationStorage(mtef, className));
}

} // namespace metafilegen

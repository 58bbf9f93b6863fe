#include "rtf/RtfPictures.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace rtf {

namespace {

quint32 le32(const char* p)
{
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16 |
           quint32(quint8(p[3])) << 24;
}

quint16 le16(const char* p)
{
    return quint16(quint8(p[0]) | quint8(p[1]) << 8);
}

void putLe32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// A packed DIB (BITMAPINFO + pixels) as a BMP file that QImage can read.
QImage decodeDib(const char* dib, qsizetype size)
{
    if (size < 16)
        return {};
    const quint32 headerSize = le32(dib);
    if (headerSize < 12 || headerSize > quint32(size))
        return {};
    quint32 paletteBytes = 0;
    if (headerSize >= 40) {
        const quint16 bitCount = le16(dib + 14);
        const quint32 compression = le32(dib + 16);
        const quint32 colorsUsed = le32(dib + 32);
        if (bitCount <= 8)
            paletteBytes = (colorsUsed ? std::min<quint32>(colorsUsed, 256) : (1u << bitCount)) * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            paletteBytes += compression == 3 ? 12 : 16;
    } else {
        const quint16 bitCount = le16(dib + 10);
        if (bitCount <= 8)
            paletteBytes = (1u << bitCount) * 3;
    }
    QByteArray file;
    file.reserve(size + 14);
    file.append("BM", 2);
    putLe32(file, quint32(size + 14));
    putLe32(file, 0);
    putLe32(file, 14 + headerSize + paletteBytes);
    file.append(dib, size);
    return QImage::fromData(file, "BMP");
}

// Many metafiles (pasted bitmaps, Paint objects) are one bitmap record; show it.
QImage decodeWmfBitmap(const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype size = data.size();
    if (size >= 22 && le32(p) == 0x9AC6CDD7u) { // placeable header
        p += 22;
        size -= 22;
    }
    if (size < 18)
        return {};
    const qsizetype headerWords = le16(p + 2);
    qsizetype pos = headerWords * 2;
    while (pos + 6 <= size) {
        const qsizetype words = qsizetype(le32(p + pos));
        const quint16 function = le16(p + pos + 4);
        if (words < 3 || pos + words * 2 > size)
            return {};
        const qsizetype recordEnd = pos + words * 2;
        qsizetype dibAt = -1;
        if (function == 0x0F43) // META_STRETCHDIB
            dibAt = pos + 6 + 22;
        else if (function == 0x0B41) // META_DIBSTRETCHBLT
            dibAt = pos + 6 + 20;
        else if (function == 0x0940) // META_DIBBITBLT
            dibAt = pos + 6 + 16;
        if (dibAt > 0 && dibAt < recordEnd) {
            const QImage image = decodeDib(p + dibAt, recordEnd - dibAt);
            if (!image.isNull())
                return image;
        }
        if (function == 0) // META_EOF
            break;
        pos = recordEnd;
    }
    return {};
}

// The same for enhanced metafiles: EMR_STRETCHDIBITS.
QImage decodeEmfBitmap(const QByteArray& data)
{
    const char* p = data.constData();
    const qsizetype size = data.size();
    qsizetype pos = 0;
    while (pos + 8 <= size) {
        const quint32 type = le32(p + pos);
        const qsizetype length = qsizetype(le32(p + pos + 4));
        if (length < 8 || pos + length > size)
            return {};
        if (type == 81 && length >= 80) { // EMR_STRETCHDIBITS
            const quint32 offBmi = le32(p + pos + 48);
            const quint32 cbBmi = le32(p + pos + 52);
            const quint32 offBits = le32(p + pos + 56);
            const quint32 cbBits = le32(p + pos + 60);
            if (offBmi >= 80 && offBits >= offBmi + cbBmi &&
                qsizetype(offBits) + qsizetype(cbBits) <= length) {
                QByteArray dib(p + pos + offBmi, cbBmi);
                dib.append(p + pos + offBits, cbBits);
                const QImage image = decodeDib(dib.constData(), dib.size());
                if (!image.isNull())
                    return image;
            }
        }
        if (type == 14) // EMR_EOF
            break;
        pos += length;
    }
    return {};
}

// A framed box with a cross, drawn without QPainter so that it also works
// in programs without a QGuiApplication.
QImage placeholder(const Picture& picture)
{
    const int w = std::clamp(int(picture.width + 0.5), 8, 1024);
    const int h = std::clamp(int(picture.height + 0.5), 8, 1024);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(0xF4, 0xF4, 0xF4));
    const QRgb line = qRgb(0xA0, 0xA0, 0xA0);
    for (int x = 0; x < w; ++x) {
        image.setPixel(x, 0, line);
        image.setPixel(x, h - 1, line);
    }
    for (int y = 0; y < h; ++y) {
        image.setPixel(0, y, line);
        image.setPixel(w - 1, y, line);
    }
    const int steps = std::max(w, h);
    for (int i = 0; i < steps; ++i) {
        const int x = i * (w - 1) / (steps - 1);
        const int y = i * (h - 1) / (steps - 1);
        image.setPixel(x, y, line);
        image.setPixel(x, h - 1 - y, line);
    }
    return image;
}

} // namespace

QString pictureResourceName(const QByteArray& data)
{
    return u"rtfpict:"_s +
           QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
}

QImage decodePicture(const Picture& picture)
{
    QImage image;
    switch (picture.kind) {
    case PictureKind::Png:
    case PictureKind::Jpeg:
    case PictureKind::Other:
        image = QImage::fromData(picture.data);
        break;
    case PictureKind::Dib:
        image = decodeDib(picture.data.constData(), picture.data.size());
        break;
    case PictureKind::Wmf:
        image = decodeWmfBitmap(picture.data);
        break;
    case PictureKind::Emf:
        image = decodeEmfBitmap(picture.data);
        break;
    case PictureKind::Ddb:
        break;
    }
    if (image.isNull())
        image = placeholder(picture);
    return image;
}

} // namespace rtf

#include "rtf/RtfPictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

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
QSize placeholderSize(const Picture& picture)
{
    return QSize(std::clamp(int(picture.width + 0.5), 8, 1024),
                 std::clamp(int(picture.height + 0.5), 8, 1024));
}

QImage placeholder(const Picture& picture)
{
    const int w = placeholderSize(picture).width();
    const int h = placeholderSize(picture).height();
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

// PNG: the signature, then chunks of a 4-byte big-endian length, a 4-byte
// type, the data and a CRC-32 of type and data; IHDR first, IEND last.
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kSignatureSize = 8;
const QByteArray kSourceKeyword = QByteArrayLiteral("tiku-latex");
const QByteArray kDepthKeyword = QByteArrayLiteral("tiku-depth");

quint32 be32(const char* p)
{
    return quint32(quint8(p[0])) << 24 | quint32(quint8(p[1])) << 16 | quint32(quint8(p[2])) << 8 |
           quint32(quint8(p[3]));
}

void putBe32(QByteArray& out, quint32 v)
{
    for (int i = 3; i >= 0; --i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

quint32 crc32(const char* p, qsizetype n)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < n; ++i)
        crc = table[(crc ^ quint8(p[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

struct PngChunk
{
    qsizetype offset = 0; // of the length field
    qsizetype length = 0; // of the data
    QByteArrayView type;
    QByteArrayView data(const QByteArray& png) const
    {
        return QByteArrayView(png).sliced(offset + 8, length);
    }
    qsizetype size() const { return length + 12; }
    bool crcMatches(const QByteArray& png) const
    {
        return crc32(png.constData() + offset + 4, length + 4) == be32(png.constData() + offset + 8 + length);
    }
};

// The chunks up to IEND; empty when `png` is not a whole PNG.
std::vector<PngChunk> pngChunks(const QByteArray& png)
{
    std::vector<PngChunk> chunks;
    if (png.size() < kSignatureSize || !png.startsWith(QByteArrayView(kPngSignature, kSignatureSize)))
        return chunks;
    qsizetype pos = kSignatureSize;
    while (pos + 12 <= png.size()) {
        const qsizetype length = qsizetype(be32(png.constData() + pos));
        if (length > png.size() - pos - 12)
            break;
        PngChunk chunk{pos, length, QByteArrayView(png).sliced(pos + 4, 4)};
        chunks.push_back(chunk);
        pos += chunk.size();
        if (chunk.type == "IEND")
            return chunks.front().type == "IHDR" && chunks.front().length == 13 ? chunks
                                                                                : std::vector<PngChunk>();
    }
    return {};
}

// A text chunk (tEXt, iTXt, zTXt) of `keyword`.
bool isTextChunkOf(const QByteArray& png, const PngChunk& chunk, const QByteArray& keyword)
{
    if (chunk.type != "tEXt" && chunk.type != "iTXt" && chunk.type != "zTXt")
        return false;
    const QByteArrayView data = chunk.data(png);
    return data.size() > keyword.size() && data.startsWith(keyword) && data[keyword.size()] == '\0';
}

// The text of the uncompressed chunk of `keyword` (an iTXt's text is UTF-8,
// a tEXt's Latin-1); empty when there is none or its CRC is wrong.
std::optional<QString> textChunk(const QByteArray& png, const QByteArray& keyword)
{
    for (const PngChunk& chunk : pngChunks(png)) {
        if (!isTextChunkOf(png, chunk, keyword) || !chunk.crcMatches(png))
            continue;
        QByteArrayView rest = chunk.data(png).sliced(keyword.size() + 1);
        if (chunk.type == "tEXt")
            return QString::fromLatin1(rest);
        if (chunk.type != "iTXt" || rest.size() < 2 || rest[0] != 0)
            continue; // compressed: never written by us
        rest = rest.sliced(2);
        for (int skip = 0; skip < 2; ++skip) { // the language tag and the translated keyword
            const qsizetype end = rest.indexOf('\0');
            if (end < 0)
                return std::nullopt;
            rest = rest.sliced(end + 1);
        }
        return QString::fromUtf8(rest);
    }
    return std::nullopt;
}

// The PNG with `payload` as the only text chunk of `keyword`, just before IEND.
QByteArray withTextChunk(const QByteArray& png, const QByteArray& keyword, const char* type,
                         const QByteArray& payload)
{
    const std::vector<PngChunk> chunks = pngChunks(png);
    if (chunks.empty())
        return png;
    QByteArray chunk;
    putBe32(chunk, quint32(keyword.size() + 1 + payload.size()));
    chunk.append(type, 4).append(keyword).append('\0').append(payload);
    putBe32(chunk, crc32(chunk.constData() + 4, chunk.size() - 4));

    int same = 0;
    int others = 0;
    for (const PngChunk& c : chunks) {
        if (!isTextChunkOf(png, c, keyword))
            continue;
        if (QByteArrayView(png).sliced(c.offset, c.size()) == chunk)
            ++same;
        else
            ++others;
    }
    if (same == 1 && others == 0)
        return png;
    QByteArray out;
    out.reserve(png.size() + chunk.size());
    out.append(png.constData(), kSignatureSize);
    for (const PngChunk& c : chunks) {
        if (isTextChunkOf(png, c, keyword))
            continue;
        if (c.type == "IEND")
            out.append(chunk);
        out.append(png.constData() + c.offset, c.size());
    }
    return out;
}

} // namespace

QByteArray pngWithFormulaSource(const QByteArray& png, const QString& source)
{
    if (source.isEmpty())
        return png;
    // Not compressed, no language tag, no translated keyword.
    return withTextChunk(png, kSourceKeyword, "iTXt", QByteArray("\0\0\0\0", 4) + source.toUtf8());
}

QString formulaSourceFromPng(const QByteArray& png)
{
    return textChunk(png, kSourceKeyword).value_or(QString());
}

QByteArray pngWithFormulaDepth(const QByteArray& png, qreal depth)
{
    return withTextChunk(png, kDepthKeyword, "tEXt", QByteArray::number(depth, 'g', 6));
}

std::optional<qreal> formulaDepthFromPng(const QByteArray& png)
{
    const std::optional<QString> text = textChunk(png, kDepthKeyword);
    bool ok = false;
    const qreal depth = text ? text->toDouble(&ok) : 0;
    if (!ok || !std::isfinite(depth) || std::abs(depth) > 1000)
        return std::nullopt;
    return depth;
}

QSize pngSize(const QByteArray& png)
{
    if (png.size() < 24 || !png.startsWith(QByteArrayView(kPngSignature, kSignatureSize)) ||
        QByteArrayView(png).sliced(12, 4) != "IHDR")
        return {};
    const quint32 w = be32(png.constData() + 16);
    const quint32 h = be32(png.constData() + 20);
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return {};
    return QSize(int(w), int(h));
}

QString pictureResourceName(const QByteArray& data)
{
    return u"rtfpict:"_s +
           QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
}

namespace {

bool decodedByImageReader(PictureKind kind)
{
    return kind == PictureKind::Png || kind == PictureKind::Jpeg || kind == PictureKind::Other;
}

// The bitmap a DIB or a metafile holds, whole; null when there is none.
QImage decodeBitmap(const Picture& picture)
{
    switch (picture.kind) {
    case PictureKind::Dib:
        return decodeDib(picture.data.constData(), picture.data.size());
    case PictureKind::Wmf:
        return decodeWmfBitmap(picture.data);
    case PictureKind::Emf:
        return decodeEmfBitmap(picture.data);
    default:
        return {};
    }
}

} // namespace

QImage decodePicture(const Picture& picture)
{
    QImage image =
        decodedByImageReader(picture.kind) ? QImage::fromData(picture.data) : decodeBitmap(picture);
    if (image.isNull())
        image = placeholder(picture);
    return image;
}

QImage decodePictureAt(const Picture& picture, QSize pixels)
{
    if (pixels.isEmpty())
        return {};
    if (decodedByImageReader(picture.kind)) {
        QBuffer buffer;
        buffer.setData(picture.data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize natural = reader.size();
        if (natural.isValid() && (natural.width() > pixels.width() || natural.height() > pixels.height()))
            reader.setScaledSize(natural.boundedTo(pixels));
        return reader.read();
    }
    QImage image = decodeBitmap(picture);
    if (!image.isNull() && (image.width() > pixels.width() || image.height() > pixels.height()))
        image = image.scaled(image.size().boundedTo(pixels), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QSize pictureNaturalSize(const Picture& picture)
{
    if (decodedByImageReader(picture.kind)) {
        QBuffer buffer;
        buffer.setData(picture.data);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer).size();
        if (size.isValid() && !size.isEmpty())
            return size;
        return placeholderSize(picture);
    }
    // Bitmaps in RTF are stored uncompressed: decoding one costs no more
    // than the RTF that holds it.
    const QImage image = decodeBitmap(picture);
    return image.isNull() ? placeholderSize(picture) : image.size();
}

PictureKind pictureKindOf(const QByteArray& controls)
{
    if (controls.contains("\\pngblip"))
        return PictureKind::Png;
    if (controls.contains("\\jpegblip"))
        return PictureKind::Jpeg;
    if (controls.contains("\\emfblip"))
        return PictureKind::Emf;
    if (controls.contains("\\wmetafile"))
        return PictureKind::Wmf;
    if (controls.contains("\\dibitmap"))
        return PictureKind::Dib;
    if (controls.contains("\\wbitmap"))
        return PictureKind::Ddb;
    return PictureKind::Other;
}

} // namespace rtf

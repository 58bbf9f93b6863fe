#include "metafile/Dib.h"

#include "metafile/ByteReader.h"

#include <QByteArray>

#include <cstdlib>

namespace metafile {

namespace {

void putLe32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace

QImage decodeDib(QByteArrayView info, QByteArrayView bits)
{
    ByteReader r(info);
    const quint32 headerSize = r.u32();
    if (r.overrun() || headerSize < 12 || headerSize > quint32(info.size()))
        return {};
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    quint32 paletteBytes = 0;
    if (headerSize == 12) { // BITMAPCOREHEADER
        width = r.u16();
        height = r.i16();
        r.u16();
        bitCount = r.u16();
        if (bitCount > 0 && bitCount <= 8)
            paletteBytes = (1u << bitCount) * 3;
    } else {
        width = r.i32();
        height = r.i32();
        r.u16(); // planes
        bitCount = r.u16();
        compression = r.u32();
        r.u32(); // image size
        r.u32();
        r.u32();
        colorsUsed = r.u32();
        if (bitCount > 0 && bitCount <= 8)
            paletteBytes = (colorsUsed && colorsUsed < (1u << bitCount) ? colorsUsed : (1u << bitCount)) * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            paletteBytes += compression == 3 ? 12 : 16; // the colour masks after the header
    }
    if (r.overrun())
        return {};
    const qint64 w = std::llabs(width);
    const qint64 h = std::llabs(height);
    if (w == 0 || h == 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels)
        return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32 && !(bitCount == 0 && (compression == 4 || compression == 5)))
        return {};

    const QByteArrayView pixels =
        bits.isEmpty() ? info.sliced(std::min<qsizetype>(headerSize, info.size())) : bits;
    if (compression == 4 || compression == 5) // BI_JPEG, BI_PNG: a whole image file
        return QImage::fromData(
            bits.isEmpty() ? pixels.sliced(std::min<qsizetype>(paletteBytes, pixels.size())) : pixels);
    if (compression == 0 || compression == 3 || compression == 6) {
        // Uncompressed rows are padded to 32 bits; fewer bytes than that is a
        // damaged bitmap, not one to show in part.
        const qint64 stride = ((w * bitCount + 31) / 32) * 4;
        const qint64 needed = stride * h + (bits.isEmpty() ? paletteBytes : 0);
        if (pixels.size() < needed)
            return {};
    } else if (compression != 1 && compression != 2) { // RLE8, RLE4 are read by Qt
        return {};
    }

    QByteArray file;
    const QByteArrayView header =
        info.first(std::min<qsizetype>(info.size(), headerSize + (bits.isEmpty() ? 0 : paletteBytes)));
    const qsizetype total = 14 + (bits.isEmpty() ? info.size() : header.size() + bits.size());
    file.reserve(total);
    file.append("BM", 2);
    putLe32(file, quint32(total));
    putLe32(file, 0);
    putLe32(file, 14 + headerSize + paletteBytes);
    if (bits.isEmpty()) {
        file.append(info.data(), info.size());
    } else {
        file.append(header.data(), header.size());
        file.append(bits.data(), bits.size());
    }
    QImage image = QImage::fromData(file, "BMP");
    return image;
}

} // namespace metafile

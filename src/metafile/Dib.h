#pragma once

#include <QByteArrayView>
#include <QImage>

namespace metafile {

// The largest bitmap a metafile may hold, in pixels: a bitmap claiming more
// (a damaged header, or a 100,000-pixel strip) is not decoded.
constexpr qint64 kMaxBitmapPixels = 64LL * 1024 * 1024;
constexpr int kMaxBitmapSide = 32768;

// A device-independent bitmap (BITMAPINFO: header, colour table) with its
// pixels as an image; null when the header is damaged, the pixels are fewer
// than the header says, or the bitmap is over the limits above. `bits` empty:
// the pixels follow the header in `info` (a packed DIB).
QImage decodeDib(QByteArrayView info, QByteArrayView bits = {});

} // namespace metafile

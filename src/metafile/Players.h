#pragma once

// The record decoders of the two metafile formats, driving a Canvas.

#include "metafile/Canvas.h"
#include "metafile/Metafile.h"

#include <QByteArrayView>
#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace metafile::detail {

// True when `r` can be drawn from: finite, neither side zero. A negative side
// is kept: it flips the picture, as the window of a WMF may.
bool usableFrame(const QRectF& r);

// A COLORREF: red, green, blue, flags.
inline QColor colourRef(quint32 v)
{
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

// 8-bit text in a Windows code page (42: the bytes are symbol positions),
// with the advance of each byte summed into the advance of each character.
QString decodeText(QByteArrayView bytes, int codePage, const QList<qreal>& byteAdvances,
                   QList<qreal>* charAdvances);

struct WmfHeader
{
    bool ok = false;
    bool placeable = false;
    QRectF frame;       // placeable box, or the first window; may be empty
    QSizeF naturalSize; // points
    qsizetype recordsAt = 0;
    int objects = 0;
};
WmfHeader readWmfHeader(QByteArrayView data);
void playWmf(QByteArrayView data, const WmfHeader& header, Canvas& canvas, PlaybackReport& report);

struct EmfHeader
{
    bool ok = false;
    QRectF frame; // reference-device pixels
    QSizeF naturalSize;
    QSizeF pixelsPerMm{96 / 25.4, 96 / 25.4};
    quint32 handles = 0;
};
EmfHeader readEmfHeader(QByteArrayView data);
void playEmf(QByteArrayView data, const EmfHeader& header, Canvas& canvas, PlaybackReport& report);

} // namespace metafile::detail

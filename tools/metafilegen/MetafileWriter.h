#pragma once

// Writes Windows metafiles record by record, as Word, WPS and MathType write
// them, for the tests and benchmarks of the metafile player.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

namespace metafilegen {

// A packed DIB (BITMAPINFOHEADER, 24 or 32 bits, bottom-up) of `image`.
QByteArray packedDib(const QImage& image);

class WmfWriter
{
public:
    // `placeable`: with the 22-byte header giving `box` (logical units) and
    // `unitsPerInch`.
    explicit WmfWriter(bool placeable = true, QRect box = {}, int unitsPerInch = 1440);

    // A raw record: function number and 16-bit parameters.
    WmfWriter& record(quint16 function, const QList<qint16>& params, const QByteArray& tail = {});

    WmfWriter& setWindowOrg(int x, int y);
    WmfWriter& setWindowExt(int w, int h);
    WmfWriter& setMapMode(int mode);
    WmfWriter& setBkMode(int mode);
    WmfWriter& setTextAlign(int align);
    WmfWriter& setTextColor(QColor c);
    WmfWriter& setBkColor(QColor c);
    WmfWriter& setPolyFillMode(int mode);
    WmfWriter& setRop2(int rop);
    // Objects take the lowest free slot; the writer counts them for the header.
    WmfWriter& createPen(int style, int width, QColor c);
    WmfWriter& createBrush(int style, QColor c, int hatch = 0);
    WmfWriter& createFont(const QString& face, int height, int weight = 400, bool italic = false,
                          int charset = 0, int escapement = 0, int width = 0);
    WmfWriter& createPatternBrush(const QImage& pattern);
    WmfWriter& selectObject(int index);
    WmfWriter& deleteObject(int index);
    WmfWriter& saveDc();
    WmfWriter& restoreDc(int which = -1);
    WmfWriter& moveTo(int x, int y);
    WmfWriter& lineTo(int x, int y);
    WmfWriter& polyline(const QList<QPoint>& points);
    WmfWriter& polygon(const QList<QPoint>& points);
    WmfWriter& polyPolygon(const QList<QList<QPoint>>& polygons);
    WmfWriter& rectangle(QRect r);
    WmfWriter& roundRect(QRect r, int cornerW, int cornerH);
    WmfWriter& ellipse(QRect r);
    WmfWriter& arc(QRect box, QPoint start, QPoint end);
    WmfWriter& pie(QRect box, QPoint start, QPoint end);
    WmfWriter& chord(QRect box, QPoint start, QPoint end);
    // 8-bit text (Latin-1 or the font's code page bytes), with advances.
    WmfWriter& extTextOut(int x, int y, const QByteArray& text, const QList<int>& dx = {}, int options = 0,
                          QRect rect = {});
    WmfWriter& textOut(int x, int y, const QByteArray& text);
    WmfWriter& intersectClipRect(QRect r);
    WmfWriter& excludeClipRect(QRect r);
    WmfWriter& stretchDib(QRect dest, const QImage& image, quint32 rop = 0x00CC0020);
    WmfWriter& comment(const QByteArray& data);

    // The file: header sizes filled in, the end record added.
    QByteArray finish();

private:
    int newObject();

    bool placeable_;
    QRect box_;
    int unitsPerInch_;
    QByteArray records_;
    QList<bool> used_;
    int maxObjects_ = 0;
    quint32 maxRecord_ = 3;
};

class EmfWriter
{
public:
    // `frame` in 0.01 mm; the reference device `devicePixels` over `deviceMm`.
    explicit EmfWriter(QRect frame = QRect(0, 0, 5080, 2540), QSize devicePixels = {1920, 1080},
                       QSize deviceMm = {508, 286});

    EmfWriter& record(quint32 type, const QByteArray& body);

    EmfWriter& setMapMode(int mode);
    EmfWriter& setWindowOrg(int x, int y);
    EmfWriter& setWindowExt(int w, int h);
    EmfWriter& setViewportOrg(int x, int y);
    EmfWriter& setViewportExt(int w, int h);
    EmfWriter& setWorldTransform(qreal m11, qreal m12, qreal m21, qreal m22, qreal dx, qreal dy);
    EmfWriter& setBkMode(int mode);
    EmfWriter& setTextAlign(int align);
    EmfWriter& setTextColor(QColor c);
    EmfWriter& setPolyFillMode(int mode);
    EmfWriter& createPen(int index, int style, int width, QColor c);
    EmfWriter& createBrush(int index, int style, QColor c, int hatch = 0);
    EmfWriter& createFont(int index, const QString& face, int height, int weight = 400, bool italic = false,
                          int charset = 1);
    EmfWriter& selectObject(quint32 index);
    EmfWriter& deleteObject(int index);
    EmfWriter& saveDc();
    EmfWriter& restoreDc(int which = -1);
    EmfWriter& moveTo(int x, int y);
    EmfWriter& lineTo(int x, int y);
    EmfWriter& polyline16(const QList<QPoint>& points);
    EmfWriter& polygon16(const QList<QPoint>& points);
    EmfWriter& polyPolygon16(const QList<QList<QPoint>>& polygons);
    EmfWriter& polyBezierTo16(const QList<QPoint>& points);
    EmfWriter& rectangle(QRect r);
    EmfWriter& roundRect(QRect r, int cornerW, int cornerH);
    EmfWriter& ellipse(QRect r);
    EmfWriter& arc(QRect box, QPoint start, QPoint end);
    EmfWriter& pie(QRect box, QPoint start, QPoint end);
    EmfWriter& beginPath();
    EmfWriter& endPath();
    EmfWriter& closeFigure();
    EmfWriter& fillPath();
    EmfWriter& strokePath();
    EmfWriter& strokeAndFillPath();
    EmfWriter& intersectClipRect(QRect r);
    EmfWriter& extTextOutW(int x, int y, const QString& text, const QList<int>& dx = {});
    EmfWriter& stretchDiBits(QRect dest, const QImage& image, quint32 rop = 0x00CC0020);

    QByteArray finish();

private:
    QRect frame_;
    QSize devicePixels_;
    QSize deviceMm_;
    QByteArray records_;
    int count_ = 0;
    int handles_ = 1;
};

} // namespace metafilegen

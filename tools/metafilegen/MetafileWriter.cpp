#include "MetafileWriter.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace metafilegen {

namespace {

void put16(QByteArray& out, int v)
{
    const quint16 u = quint16(v);
    out.append(char(u & 0xFF)).append(char(u >> 8));
}

void put32(QByteArray& out, qint64 v)
{
    const quint32 u = quint32(v);
    for (int i = 0; i < 4; ++i)
        out.append(char((u >> (8 * i)) & 0xFF));
}

void putFloat(QByteArray& out, float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    put32(out, u);
}

quint32 colourRef(QColor c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

void putRect32(QByteArray& out, QRect r)
{
    put32(out, r.left());
    put32(out, r.top());
    put32(out, r.right());
    put32(out, r.bottom());
}

QRect boundsOf(const QList<QPoint>& points)
{
    if (points.isEmpty())
        return {};
    int l = points[0].x(), t = points[0].y(), r = l, b = t;
    for (const QPoint& p : points) {
        l = std::min(l, p.x());
        r = std::max(r, p.x());
        t = std::min(t, p.y());
        b = std::max(b, p.y());
    }
    return QRect(QPoint(l, t), QPoint(r, b));
}

} // namespace

QByteArray packedDib(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QByteArray dib;
    put32(dib, 40);
    put32(dib, image.width());
    put32(dib, image.height()); // bottom-up
    put16(dib, 1);
    put16(dib, 24);
    put32(dib, 0);
    const int stride = ((image.width() * 24 + 31) / 32) * 4;
    put32(dib, stride * image.height());
    put32(dib, 2835);
    put32(dib, 2835);
    put32(dib, 0);
    put32(dib, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row;
        for (int x = 0; x < image.width(); ++x)
            row.append(char(qBlue(line[x]))).append(char(qGreen(line[x]))).append(char(qRed(line[x])));
        while (row.size() < stride)
            row.append('\0');
        dib.append(row);
    }
    return dib;
}

// ---- WMF

WmfWriter::WmfWriter(bool placeable, QRect box, int unitsPerInch)
    : placeable_(placeable), box_(box), unitsPerInch_(unitsPerInch)
{
}

WmfWriter& WmfWriter::record(quint16 function, const QList<qint16>& params, const QByteArray& tail)
{
    QByteArray r;
    const quint32 words = 3 + params.size() + (tail.size() + 1) / 2;
    put32(r, words);
    put16(r, function);
    for (qint16 p : params)
        put16(r, p);
    r.append(tail);
    if (tail.size() % 2)
        r.append('\0');
    records_.append(r);
    maxRecord_ = std::max(maxRecord_, words);
    return *this;
}

int WmfWriter::newObject()
{
    for (int i = 0; i < used_.size(); ++i) {
        if (!used_[i]) {
            used_[i] = true;
            return i;
        }
    }
    used_ << true;
    maxObjects_ = std::max<int>(maxObjects_, used_.size());
    return used_.size() - 1;
}

WmfWriter& WmfWriter::setWindowOrg(int x, int y)
{
    return record(0x020B, {qint16(y), qint16(x)});
}

WmfWriter& WmfWriter::setWindowExt(int w, int h)
{
    return record(0x020C, {qint16(h), qint16(w)});
}

WmfWriter& WmfWriter::setMapMode(int mode)
{
    return record(0x0103, {qint16(mode)});
}

WmfWriter& WmfWriter::setBkMode(int mode)
{
    return record(0x0102, {qint16(mode)});
}

WmfWriter& WmfWriter::setTextAlign(int align)
{
    return record(0x012E, {qint16(align)});
}

WmfWriter& WmfWriter::setTextColor(QColor c)
{
    const quint32 v = colourRef(c);
    return record(0x0209, {qint16(v & 0xFFFF), qint16(v >> 16)});
}

WmfWriter& WmfWriter::setBkColor(QColor c)
{
    const quint32 v = colourRef(c);
    return record(0x0201, {qint16(v & 0xFFFF), qint16(v >> 16)});
}

WmfWriter& WmfWriter::setPolyFillMode(int mode)
{
    return record(0x0106, {qint16(mode)});
}

WmfWriter& WmfWriter::setRop2(int rop)
{
    return record(0x0104, {qint16(rop)});
}

WmfWriter& WmfWriter::createPen(int style, int width, QColor c)
{
    newObject();
    const quint32 v = colourRef(c);
    return record(0x02FA, {qint16(style), qint16(width), 0, qint16(v & 0xFFFF), qint16(v >> 16)});
}

WmfWriter& WmfWriter::createBrush(int style, QColor c, int hatch)
{
    newObject();
    const quint32 v = colourRef(c);
    return record(0x02FC, {qint16(style), qint16(v & 0xFFFF), qint16(v >> 16), qint16(hatch)});
}

WmfWriter& WmfWriter::createFont(const QString& face, int height, int weight, bool italic, int charset,
                                 int escapement, int width)
{
    newObject();
    QByteArray tail;
    tail.append(char(italic ? 1 : 0)).append('\0').append('\0').append(char(charset));
    tail.append('\0').append('\0').append('\0').append(char(0x12)); // variable pitch, roman
    QByteArray name = face.toLatin1().left(31);
    name.append('\0');
    tail.append(name);
    return record(0x02FB,
                  {qint16(height), qint16(width), qint16(escapement), qint16(escapement), qint16(weight)},
                  tail);
}

WmfWriter& WmfWriter::createPatternBrush(const QImage& pattern)
{
    newObject();
    return record(0x0142, {5, 0}, packedDib(pattern));
}

WmfWriter& WmfWriter::selectObject(int index)
{
    return record(0x012D, {qint16(index)});
}

WmfWriter& WmfWriter::deleteObject(int index)
{
    if (index >= 0 && index < used_.size())
        used_[index] = false;
    return record(0x01F0, {qint16(index)});
}

WmfWriter& WmfWriter::saveDc()
{
    return record(0x001E, {});
}

WmfWriter& WmfWriter::restoreDc(int which)
{
    return record(0x0127, {qint16(which)});
}

WmfWriter& WmfWriter::moveTo(int x, int y)
{
    return record(0x0214, {qint16(y), qint16(x)});
}

WmfWriter& WmfWriter::lineTo(int x, int y)
{
    return record(0x0213, {qint16(y), qint16(x)});
}

WmfWriter& WmfWriter::polyline(const QList<QPoint>& points)
{
    QList<qint16> p{qint16(points.size())};
    for (const QPoint& pt : points)
        p << qint16(pt.x()) << qint16(pt.y());
    return record(0x0325, p);
}

WmfWriter& WmfWriter::polygon(const QList<QPoint>& points)
{
    QList<qint16> p{qint16(points.size())};
    for (const QPoint& pt : points)
        p << qint16(pt.x()) << qint16(pt.y());
    return record(0x0324, p);
}

WmfWriter& WmfWriter::polyPolygon(const QList<QList<QPoint>>& polygons)
{
    QList<qint16> p{qint16(polygons.size())};
    for (const auto& poly : polygons)
        p << qint16(poly.size());
    for (const auto& poly : polygons) {
        for (const QPoint& pt : poly)
            p << qint16(pt.x()) << qint16(pt.y());
    }
    return record(0x0538, p);
}

WmfWriter& WmfWriter::rectangle(QRect r)
{
    return record(0x041B, {qint16(r.bottom()), qint16(r.right()), qint16(r.top()), qint16(r.left())});
}

WmfWriter& WmfWriter::roundRect(QRect r, int cornerW, int cornerH)
{
    return record(0x061C, {qint16(cornerH), qint16(cornerW), qint16(r.bottom()), qint16(r.right()),
                           qint16(r.top()), qint16(r.left())});
}

WmfWriter& WmfWriter::ellipse(QRect r)
{
    return record(0x0418, {qint16(r.bottom()), qint16(r.right()), qint16(r.top()), qint16(r.left())});
}

WmfWriter& WmfWriter::arc(QRect box, QPoint start, QPoint end)
{
    return record(0x0817, {qint16(end.y()), qint16(end.x()), qint16(start.y()), qint16(start.x()),
                           qint16(box.bottom()), qint16(box.right()), qint16(box.top()), qint16(box.left())});
}

WmfWriter& WmfWriter::pie(QRect box, QPoint start, QPoint end)
{
    return record(0x081A, {qint16(end.y()), qint16(end.x()), qint16(start.y()), qint16(start.x()),
                           qint16(box.bottom()), qint16(box.right()), qint16(box.top()), qint16(box.left())});
}

WmfWriter& WmfWriter::chord(QRect box, QPoint start, QPoint end)
{
    return record(0x0830, {qint16(end.y()), qint16(end.x()), qint16(start.y()), qint16(start.x()),
                           qint16(box.bottom()), qint16(box.right()), qint16(box.top()), qint16(box.left())});
}

WmfWriter& WmfWriter::extTextOut(int x, int y, const QByteArray& text, const QList<int>& dx, int options,
                                 QRect rect)
{
    QList<qint16> p{qint16(y), qint16(x), qint16(text.size()), qint16(options)};
    if (options & 6)
        p << qint16(rect.left()) << qint16(rect.top()) << qint16(rect.right()) << qint16(rect.bottom());
    QByteArray tail = text;
    if (tail.size() % 2)
        tail.append('\0');
    for (int d : dx)
        put16(tail, d);
    return record(0x0A32, p, tail);
}

WmfWriter& WmfWriter::textOut(int x, int y, const QByteArray& text)
{
    QByteArray tail = text;
    if (tail.size() % 2)
        tail.append('\0');
    put16(tail, y);
    put16(tail, x);
    return record(0x0521, {qint16(text.size())}, tail);
}

WmfWriter& WmfWriter::intersectClipRect(QRect r)
{
    return record(0x0416, {qint16(r.bottom()), qint16(r.right()), qint16(r.top()), qint16(r.left())});
}

WmfWriter& WmfWriter::excludeClipRect(QRect r)
{
    return record(0x0415, {qint16(r.bottom()), qint16(r.right()), qint16(r.top()), qint16(r.left())});
}

WmfWriter& WmfWriter::stretchDib(QRect dest, const QImage& image, quint32 rop)
{
    return record(0x0F43,
                  {qint16(rop & 0xFFFF), qint16(rop >> 16), 0, qint16(image.height()), qint16(image.width()),
                   0, 0, qint16(dest.height()), qint16(dest.width()), qint16(dest.top()),
                   qint16(dest.left())},
                  packedDib(image));
}

WmfWriter& WmfWriter::comment(const QByteArray& data)
{
    return record(0x0626, {15, qint16(data.size())}, data);
}

QByteArray WmfWriter::finish()
{
    record(0x0000, {});
    QByteArray out;
    if (placeable_) {
        QByteArray h;
        put32(h, 0x9AC6CDD7u);
        put16(h, 0);
        put16(h, box_.left());
        put16(h, box_.top());
        put16(h, box_.left() + box_.width());
        put16(h, box_.top() + box_.height());
        put16(h, unitsPerInch_);
        put32(h, 0);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= quint16(quint8(h[i]) | quint8(h[i + 1]) << 8);
        put16(h, sum);
        out.append(h);
    }
    put16(out, 1);
    put16(out, 9);
    put16(out, 0x0300);
    put32(out, (18 + records_.size()) / 2);
    put16(out, maxObjects_);
    put32(out, maxRecord_);
    put16(out, 0);
    out.append(records_);
    return out;
}

// ---- EMF

EmfWriter::EmfWriter(QRect frame, QSize devicePixels, QSize deviceMm)
    : frame_(frame), devicePixels_(devicePixels), deviceMm_(deviceMm)
{
}

EmfWriter& EmfWriter::record(quint32 type, const QByteArray& body)
{
    QByteArray padded = body;
    while (padded.size() % 4)
        padded.append('\0');
    put32(records_, type);
    put32(records_, 8 + padded.size());
    records_.append(padded);
    ++count_;
    return *this;
}

namespace {

QByteArray ints(std::initializer_list<qint64> values)
{
    QByteArray b;
    for (qint64 v : values)
        put32(b, v);
    return b;
}

QByteArray points16(const QList<QPoint>& points)
{
    QByteArray b;
    putRect32(b, boundsOf(points));
    put32(b, points.size());
    for (const QPoint& p : points) {
        put16(b, p.x());
        put16(b, p.y());
    }
    return b;
}

} // namespace

EmfWriter& EmfWriter::setMapMode(int mode)
{
    return record(17, ints({mode}));
}

EmfWriter& EmfWriter::setWindowOrg(int x, int y)
{
    return record(10, ints({x, y}));
}

EmfWriter& EmfWriter::setWindowExt(int w, int h)
{
    return record(9, ints({w, h}));
}

EmfWriter& EmfWriter::setViewportOrg(int x, int y)
{
    return record(12, ints({x, y}));
}

EmfWriter& EmfWriter::setViewportExt(int w, int h)
{
    return record(11, ints({w, h}));
}

EmfWriter& EmfWriter::setWorldTransform(qreal m11, qreal m12, qreal m21, qreal m22, qreal dx, qreal dy)
{
    QByteArray b;
    for (qreal v : {m11, m12, m21, m22, dx, dy})
        putFloat(b, float(v));
    return record(35, b);
}

EmfWriter& EmfWriter::setBkMode(int mode)
{
    return record(18, ints({mode}));
}

EmfWriter& EmfWriter::setTextAlign(int align)
{
    return record(22, ints({align}));
}

EmfWriter& EmfWriter::setTextColor(QColor c)
{
    return record(24, ints({colourRef(c)}));
}

EmfWriter& EmfWriter::setPolyFillMode(int mode)
{
    return record(19, ints({mode}));
}

EmfWriter& EmfWriter::createPen(int index, int style, int width, QColor c)
{
    handles_ = std::max(handles_, index + 1);
    return record(38, ints({index, style, width, 0, colourRef(c)}));
}

EmfWriter& EmfWriter::createBrush(int index, int style, QColor c, int hatch)
{
    handles_ = std::max(handles_, index + 1);
    return record(39, ints({index, style, colourRef(c), hatch}));
}

EmfWriter& EmfWriter::createFont(int index, const QString& face, int height, int weight, bool italic,
                                 int charset)
{
    handles_ = std::max(handles_, index + 1);
    QByteArray b = ints({index, height, 0, 0, 0, weight});
    b.append(char(italic ? 1 : 0)).append('\0').append('\0').append(char(charset));
    b.append('\0').append('\0').append('\0').append(char(0x12));
    for (int i = 0; i < 32; ++i)
        put16(b, i < face.size() ? face[i].unicode() : 0);
    return record(82, b);
}

EmfWriter& EmfWriter::selectObject(quint32 index)
{
    return record(37, ints({index}));
}

EmfWriter& EmfWriter::deleteObject(int index)
{
    return record(40, ints({index}));
}

EmfWriter& EmfWriter::saveDc()
{
    return record(33, {});
}

EmfWriter& EmfWriter::restoreDc(int which)
{
    return record(34, ints({which}));
}

EmfWriter& EmfWriter::moveTo(int x, int y)
{
    return record(27, ints({x, y}));
}

EmfWriter& EmfWriter::lineTo(int x, int y)
{
    return record(54, ints({x, y}));
}

EmfWriter& EmfWriter::polyline16(const QList<QPoint>& points)
{
    return record(87, points16(points));
}

EmfWriter& EmfWriter::polygon16(const QList<QPoint>& points)
{
    return record(86, points16(points));
}

EmfWriter& EmfWriter::polyBezierTo16(const QList<QPoint>& points)
{
    return record(88, points16(points));
}

EmfWriter& EmfWriter::polyPolygon16(const QList<QList<QPoint>>& polygons)
{
    QList<QPoint> all;
    for (const auto& p : polygons)
        all << p;
    QByteArray b;
    putRect32(b, boundsOf(all));
    put32(b, polygons.size());
    put32(b, all.size());
    for (const auto& p : polygons)
        put32(b, p.size());
    for (const QPoint& p : all) {
        put16(b, p.x());
        put16(b, p.y());
    }
    return record(91, b);
}

EmfWriter& EmfWriter::rectangle(QRect r)
{
    return record(43, ints({r.left(), r.top(), r.right(), r.bottom()}));
}

EmfWriter& EmfWriter::roundRect(QRect r, int cornerW, int cornerH)
{
    return record(44, ints({r.left(), r.top(), r.right(), r.bottom(), cornerW, cornerH}));
}

EmfWriter& EmfWriter::ellipse(QRect r)
{
    return record(42, ints({r.left(), r.top(), r.right(), r.bottom()}));
}

EmfWriter& EmfWriter::arc(QRect box, QPoint start, QPoint end)
{
    return record(
        45, ints({box.left(), box.top(), box.right(), box.bottom(), start.x(), start.y(), end.x(), end.y()}));
}

EmfWriter& EmfWriter::pie(QRect box, QPoint start, QPoint end)
{
    return record(
        47, ints({box.left(), box.top(), box.right(), box.bottom(), start.x(), start.y(), end.x(), end.y()}));
}

EmfWriter& EmfWriter::beginPath()
{
    return record(59, {});
}

EmfWriter& EmfWriter::endPath()
{
    return record(60, {});
}

EmfWriter& EmfWriter::closeFigure()
{
    return record(61, {});
}

EmfWriter& EmfWriter::fillPath()
{
    return record(62, ints({0, 0, -1, -1}));
}

EmfWriter& EmfWriter::strokePath()
{
    return record(64, ints({0, 0, -1, -1}));
}

EmfWriter& EmfWriter::strokeAndFillPath()
{
    return record(63, ints({0, 0, -1, -1}));
}

EmfWriter& EmfWriter::intersectClipRect(QRect r)
{
    return record(30, ints({r.left(), r.top(), r.right(), r.bottom()}));
}

EmfWriter& EmfWriter::extTextOutW(int x, int y, const QString& text, const QList<int>& dx)
{
    const int fixed = 76;
    QByteArray string;
    for (QChar c : text)
        put16(string, c.unicode());
    while (string.size() % 4)
        string.append('\0');
    QByteArray b = ints({0, 0, -1, -1, 1});
    putFloat(b, 0);
    putFloat(b, 0);
    b.append(ints({x, y, text.size(), fixed, 0, 0, 0, -1, -1, dx.isEmpty() ? 0 : fixed + string.size()}));
    b.append(string);
    for (int d : dx)
        put32(b, d);
    return record(84, b);
}

EmfWriter& EmfWriter::stretchDiBits(QRect dest, const QImage& image, quint32 rop)
{
    const QByteArray dib = packedDib(image);
    const int fixed = 80;
    QByteArray b = ints({dest.left(), dest.top(), dest.right(), dest.bottom(), dest.left(), dest.top(), 0, 0,
                         image.width(), image.height(), fixed, 40, fixed + 40, dib.size() - 40, 0, rop,
                         dest.width(), dest.height()});
    b.append(dib);
    return record(81, b);
}

QByteArray EmfWriter::finish()
{
    record(14, ints({0, 16, 20}));
    const qreal pxPerMmX = qreal(devicePixels_.width()) / deviceMm_.width();
    const qreal pxPerMmY = qreal(devicePixels_.height()) / deviceMm_.height();
    const QRect bounds(int(frame_.left() / 100.0 * pxPerMmX), int(frame_.top() / 100.0 * pxPerMmY),
                       int(frame_.width() / 100.0 * pxPerMmX), int(frame_.height() / 100.0 * pxPerMmY));
    QByteArray h;
    put32(h, 1);
    put32(h, 108);
    putRect32(h, bounds);
    put32(h, frame_.left());
    put32(h, frame_.top());
    put32(h, frame_.left() + frame_.width());
    put32(h, frame_.top() + frame_.height());
    put32(h, 0x464D4520);
    put32(h, 0x10000);
    put32(h, 108 + records_.size());
    put32(h, count_ + 1);
    put16(h, handles_);
    put16(h, 0);
    put32(h, 0);
    put32(h, 0);
    put32(h, 0);
    put32(h, devicePixels_.width());
    put32(h, devicePixels_.height());
    put32(h, deviceMm_.width());
    put32(h, deviceMm_.height());
    put32(h, 0);
    put32(h, 0);
    put32(h, 0);
    put32(h, deviceMm_.width() * 1000);
    put32(h, deviceMm_.height() * 1000);
    return h + records_;
}

} // namespace metafilegen

#include "metafile/ByteReader.h"
#include "metafile/Dib.h"
#include "metafile/Players.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace metafile::detail {

namespace {

constexpr quint32 kEmfSignature = 0x464D4520u; // " EMF"

QRectF rectL(ByteReader& r)
{
    const qreal l = r.i32();
    const qreal t = r.i32();
    const qreal rr = r.i32();
    const qreal b = r.i32();
    return QRectF(QPointF(l, t), QPointF(rr, b));
}

QPointF pointL(ByteReader& r)
{
    const qreal x = r.i32();
    const qreal y = r.i32();
    return {x, y};
}

QPolygonF pointsL(ByteReader& r, quint32 count, bool small)
{
    QPolygonF p;
    if (count == 0 || qint64(count) * (small ? 4 : 8) > r.remaining())
        return p;
    p.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        if (small) {
            const qreal x = r.i16();
            const qreal y = r.i16();
            p << QPointF(x, y);
        } else {
            p << pointL(r);
        }
    }
    return p;
}

QTransform xform(ByteReader& r)
{
    const qreal m11 = r.f32();
    const qreal m12 = r.f32();
    const qreal m21 = r.f32();
    const qreal m22 = r.f32();
    const qreal dx = r.f32();
    const qreal dy = r.f32();
    for (qreal v : {m11, m12, m21, m22, dx, dy}) {
        if (!std::isfinite(v) || std::abs(v) > 1e9)
            return QTransform(0, 0, 0, 0, 0, 0); // not invertible: ignored
    }
    return QTransform(m11, m12, m21, m22, dx, dy);
}

// The bitmap a record carries at offsets from its start.
QImage recordBitmap(QByteArrayView record, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                    QByteArrayView* info = nullptr)
{
    if (cbBmi == 0 || offBmi > quint32(record.size()) || cbBmi > quint32(record.size()) - offBmi ||
        offBits > quint32(record.size()) || cbBits > quint32(record.size()) - offBits)
        return {};
    const QByteArrayView bmi = record.sliced(offBmi, cbBmi);
    if (info)
        *info = bmi;
    return decodeDib(bmi, cbBits ? record.sliced(offBits, cbBits) : QByteArrayView());
}

QRectF bitmapSource(QByteArrayView bmi, const QImage& image, qreal x, qreal y, qreal w, qreal h)
{
    ByteReader r(bmi);
    const quint32 headerSize = r.u32();
    const qint32 height = headerSize == 12 ? qint32(r.i16At(6)) : r.i32At(8);
    if (height > 0)
        y = image.height() - y - h;
    return QRectF(x, y, w, h);
}

Region readRegionData(ByteReader& r, quint32 size)
{
    Region region;
    region.deviceUnits = true;
    if (size < 32 || size > r.remaining())
        return region;
    r.u32(); // header size
    r.u32(); // type
    const quint32 count = r.u32();
    r.u32();
    r.skip(16); // bounds
    if (qint64(count) * 16 > r.remaining())
        return region;
    for (quint32 i = 0; i < count; ++i)
        region.path.addRect(rectL(r).normalized());
    region.path.setFillRule(Qt::WindingFill);
    return region;
}

Font readLogFontW(ByteReader& r)
{
    Font f;
    f.height = r.i32();
    f.width = r.i32();
    f.escapement = r.i32();
    r.i32(); // orientation
    f.weight = r.i32();
    f.italic = r.u8();
    f.underline = r.u8();
    f.strikeOut = r.u8();
    f.charset = r.u8();
    r.u8();
    r.u8();
    r.u8();
    f.pitchAndFamily = r.u8();
    QString face;
    for (int i = 0; i < 32 && r.remaining() >= 2; ++i) {
        const char16_t c = r.u16();
        if (c == 0)
            break;
        face += QChar(c);
    }
    f.face = face.trimmed();
    return f;
}

} // namespace

EmfHeader readEmfHeader(QByteArrayView data)
{
    EmfHeader h;
    ByteReader r(data);
    if (data.size() < 88 || r.u32At(0) != 1 || r.u32At(40) != kEmfSignature)
        return h;
    const quint32 headerSize = r.u32At(4);
    if (headerSize < 88 || headerSize > quint32(data.size()))
        return h;
    r.seek(8);
    const QRectF bounds = rectL(r);
    const QRectF frame = rectL(r); // 0.01 mm
    h.handles = r.u16At(56);
    const qreal devW = r.i32At(72);
    const qreal devH = r.i32At(76);
    qreal mmW = r.i32At(80);
    qreal mmH = r.i32At(84);
    if (headerSize >= 108) {
        const qreal umW = r.i32At(100);
        const qreal umH = r.i32At(104);
        if (umW > 0 && umH > 0) {
            mmW = umW / 1000;
            mmH = umH / 1000;
        }
    }
    if (devW > 0 && devH > 0 && mmW > 0 && mmH > 0)
        h.pixelsPerMm = QSizeF(devW / mmW, devH / mmH);
    if (frame.width() > 0 && frame.height() > 0) {
        h.frame = QRectF(
            frame.left() / 100 * h.pixelsPerMm.width(), frame.top() / 100 * h.pixelsPerMm.height(),
            frame.width() / 100 * h.pixelsPerMm.width(), frame.height() / 100 * h.pixelsPerMm.height());
        h.naturalSize = QSizeF(frame.width() / 2540 * 72, frame.height() / 2540 * 72);
    } else if (bounds.width() >= 0 && bounds.height() >= 0) {
        h.frame = QRectF(bounds.left(), bounds.top(), bounds.width() + 1, bounds.height() + 1);
        h.naturalSize = QSizeF(h.frame.width() / h.pixelsPerMm.width() / 25.4 * 72,
                               h.frame.height() / h.pixelsPerMm.height() / 25.4 * 72);
    }
    h.ok = true;
    return h;
}

void playEmf(QByteArrayView data, const EmfHeader& header, Canvas& canvas, PlaybackReport& report)
{
    canvas.setObjectTableSize(int(std::min<quint32>(header.handles, 65536)));
    const qsizetype end = std::min<qsizetype>(data.size(), kMaxMetafileBytes);
    qsizetype pos = 0;
    ByteReader all(data);
    bool first = true;
    while (!canvas.exhausted()) {
        if (pos + 8 > end) {
            if (report.problem.isEmpty())
                report.problem = data.size() > kMaxMetafileBytes ? u"图片超过 64 MB，其余部分未画出"_s
                                                                 : u"图片数据不完整"_s;
            return;
        }
        const quint32 type = all.u32At(pos);
        const quint32 size = all.u32At(pos + 4);
        if (size < 8 || size % 4 || qint64(size) > end - pos) {
            if (report.problem.isEmpty())
                report.problem = data.size() > kMaxMetafileBytes ? u"图片超过 64 MB，其余部分未画出"_s
                                                                 : u"图片数据不完整"_s;
            return;
        }
        const QByteArrayView record = data.sliced(pos, size);
        ByteReader r(record);
        r.seek(8);
        pos += size;
        ++report.records;
        if (first) {
            first = false;
            if (type == 1)
                continue;
        }
        switch (type) {
        case 14: // EMR_EOF
            report.complete = true;
            return;
        case 2:  // POLYBEZIER
        case 3:  // POLYGON
        case 4:  // POLYLINE
        case 5:  // POLYBEZIERTO
        case 6:  // POLYLINETO
        case 85: // the same with 16-bit points
        case 86:
        case 87:
        case 88:
        case 89: {
            const bool small = type >= 85;
            const quint32 kind = small ? type - 83 : type;
            r.skip(16);
            const quint32 count = r.u32();
            const QPolygonF p = pointsL(r, count, small);
            if (p.isEmpty())
                break;
            switch (kind) {
            case 2:
                canvas.polyBezier(p);
                break;
            case 3:
                canvas.polygon(p);
                break;
            case 4:
                canvas.polyline(p);
                break;
            case 5:
                canvas.polyBezierTo(p);
                break;
            default:
                canvas.polylineTo(p);
                break;
            }
            break;
        }
        case 7: // POLYPOLYLINE
        case 8: // POLYPOLYGON
        case 90:
        case 91: {
            const bool small = type >= 90;
            const bool polygon = type == 8 || type == 91;
            r.skip(16);
            const quint32 polys = r.u32();
            const quint32 count = r.u32();
            if (qint64(polys) * 4 > r.remaining())
                break;
            QList<quint32> counts;
            qint64 total = 0;
            for (quint32 i = 0; i < polys; ++i) {
                counts << r.u32();
                total += counts.last();
            }
            if (total != count || total * (small ? 4 : 8) > r.remaining())
                break;
            QList<QPolygonF> list;
            for (quint32 c : counts)
                list << pointsL(r, c, small);
            if (polygon)
                canvas.polyPolygon(list);
            else
                canvas.polyPolyline(list);
            break;
        }
        case 56: // POLYDRAW
        case 92: {
            const bool small = type == 92;
            r.skip(16);
            const quint32 count = r.u32();
            const QPolygonF p = pointsL(r, count, small);
            const QByteArrayView types = r.bytes(count);
            if (!p.isEmpty() && !r.overrun())
                canvas.polyDraw(p, types.toByteArray());
            break;
        }
        case 9: {
            const QPointF e = pointL(r);
            canvas.setWindowExt(QSizeF(e.x(), e.y()));
            break;
        }
        case 10:
            canvas.setWindowOrg(pointL(r));
            break;
        case 11: {
            const QPointF e = pointL(r);
            canvas.setViewportExt(QSizeF(e.x(), e.y()));
            break;
        }
        case 12:
            canvas.setViewportOrg(pointL(r));
            break;
        case 31: // SCALEVIEWPORTEXTEX
        case 32: {
            const qreal xNum = r.i32();
            const qreal xDenom = r.i32();
            const qreal yNum = r.i32();
            const qreal yDenom = r.i32();
            if (type == 31)
                canvas.scaleViewportExt(xNum, xDenom, yNum, yDenom);
            else
                canvas.scaleWindowExt(xNum, xDenom, yNum, yDenom);
            break;
        }
        case 17:
            canvas.setMapMode(int(r.u32()));
            break;
        case 18:
            canvas.setBkMode(int(r.u32()));
            break;
        case 19:
            canvas.setPolyFillMode(int(r.u32()));
            break;
        case 20:
            canvas.setRop2(int(r.u32()));
            break;
        case 22:
            canvas.setTextAlign(int(r.u32()));
            break;
        case 24:
            canvas.setTextColor(colourRef(r.u32()));
            break;
        case 25:
            canvas.setBkColor(colourRef(r.u32()));
            break;
        case 26: // OFFSETCLIPRGN (device units in EMF: close enough in logical)
            canvas.offsetClip(pointL(r));
            break;
        case 27:
            canvas.moveTo(pointL(r));
            break;
        case 28:
            canvas.setMetaRegion();
            break;
        case 29:
            canvas.excludeClipRect(rectL(r));
            break;
        case 30:
            canvas.intersectClipRect(rectL(r));
            break;
        case 33:
            canvas.saveDc();
            break;
        case 34:
            canvas.restoreDc(r.i32());
            break;
        case 35:
            canvas.setWorldTransform(xform(r));
            break;
        case 36: {
            const QTransform t = xform(r);
            canvas.modifyWorldTransform(t, int(r.u32()));
            break;
        }
        case 37:
            canvas.selectObject(r.u32());
            break;
        case 38: { // CREATEPEN
            const quint32 index = r.u32();
            Pen p;
            p.style = int(r.u32());
            p.width = r.i32();
            r.i32();
            p.color = colourRef(r.u32());
            canvas.createObjectAt(index, p);
            break;
        }
        case 95: { // EXTCREATEPEN
            const quint32 index = r.u32();
            r.skip(16); // the pattern bitmap of a pen: drawn solid
            Pen p;
            p.style = int(r.u32());
            p.width = r.u32();
            const quint32 brushStyle = r.u32();
            p.color = colourRef(r.u32());
            r.u32(); // hatch
            const quint32 entries = r.u32();
            for (quint32 i = 0; i < entries && i < 32 && r.remaining() >= 4; ++i)
                p.dashes << r.u32();
            if (brushStyle == kBsNull)
                p.style = (p.style & ~0xF) | kPsNull;
            canvas.createObjectAt(index, p);
            break;
        }
        case 39: { // CREATEBRUSHINDIRECT
            const quint32 index = r.u32();
            Brush b;
            b.style = int(r.u32());
            b.color = colourRef(r.u32());
            b.hatch = int(r.u32());
            if (b.style != kBsSolid && b.style != kBsNull && b.style != kBsHatched)
                b.style = kBsSolid;
            canvas.createObjectAt(index, b);
            break;
        }
        case 93:   // CREATEMONOBRUSH
        case 94: { // CREATEDIBPATTERNBRUSHPT
            const quint32 index = r.u32();
            r.u32(); // usage
            const quint32 offBmi = r.u32();
            const quint32 cbBmi = r.u32();
            const quint32 offBits = r.u32();
            const quint32 cbBits = r.u32();
            Brush b;
            b.style = kBsDibPatternPt;
            b.pattern = recordBitmap(record, offBmi, cbBmi, offBits, cbBits);
            if (b.pattern.isNull()) {
                b.style = kBsSolid;
                b.color = Qt::gray;
            }
            canvas.createObjectAt(index, b);
            break;
        }
        case 82: { // EXTCREATEFONTINDIRECTW
            const quint32 index = r.u32();
            canvas.createObjectAt(index, readLogFontW(r));
            break;
        }
        case 49: { // CREATEPALETTE
            const quint32 index = r.u32();
            canvas.createObjectAt(index, Palette{});
            break;
        }
        case 40:
            canvas.deleteObject(r.u32());
            break;
        case 41: { // ANGLEARC
            const QPointF c = pointL(r);
            const qreal radius = r.u32();
            const qreal start = r.f32();
            const qreal sweep = r.f32();
            canvas.angleArc(c, radius, start, sweep);
            break;
        }
        case 42:
            canvas.ellipse(rectL(r));
            break;
        case 43:
            canvas.rectangle(rectL(r));
            break;
        case 44: {
            const QRectF box = rectL(r);
            const QPointF corner = pointL(r);
            canvas.roundRect(box, QSizeF(corner.x(), corner.y()));
            break;
        }
        case 45:   // ARC
        case 46:   // CHORD
        case 47:   // PIE
        case 55: { // ARCTO
            const QRectF box = rectL(r);
            const QPointF start = pointL(r);
            const QPointF end = pointL(r);
            const auto kind = type == 45   ? Canvas::ArcKind::Arc
                              : type == 46 ? Canvas::ArcKind::Chord
                              : type == 47 ? Canvas::ArcKind::Pie
                                           : Canvas::ArcKind::ArcTo;
            canvas.arc(kind, box, start, end);
            break;
        }
        case 54:
            canvas.lineTo(pointL(r));
            break;
        case 57:
            canvas.setArcDirection(int(r.u32()));
            break;
        case 58:
            canvas.setMiterLimit(r.u32());
            break;
        case 15: { // SETPIXELV
            const QPointF p = pointL(r);
            canvas.setPixel(p, colourRef(r.u32()));
            break;
        }
        case 59:
            canvas.beginPath();
            break;
        case 60:
            canvas.endPath();
            break;
        case 61:
            canvas.closeFigure();
            break;
        case 62:
            canvas.fillPath();
            break;
        case 63:
            canvas.strokeAndFillPath();
            break;
        case 64:
            canvas.strokePath();
            break;
        case 65:
            canvas.flattenPath();
            break;
        case 66:
            canvas.widenPath();
            break;
        case 67:
            canvas.selectClipPath(int(r.u32()));
            break;
        case 68:
            canvas.abortPath();
            break;
        case 71: { // FILLRGN
            r.skip(16);
            const quint32 cb = r.u32();
            const quint32 brush = r.u32();
            const Region region = readRegionData(r, cb);
            const GdiObject* o = canvas.object(brush);
            Brush b = canvas.currentBrush();
            if (brush & 0x80000000u)
                b = Brush{kBsSolid, (brush & 0x7FFFFFFF) == 4 ? QColor(Qt::black) : QColor(Qt::white), 0, {}};
            else if (o && std::holds_alternative<Brush>(*o))
                b = std::get<Brush>(*o);
            canvas.fillRegion(region, b);
            break;
        }
        case 72: { // FRAMERGN
            r.skip(16);
            const quint32 cb = r.u32();
            const quint32 brush = r.u32();
            const qreal w = r.i32();
            const qreal h = r.i32();
            const Region region = readRegionData(r, cb);
            const GdiObject* o = canvas.object(brush);
            const Brush b =
                o && std::holds_alternative<Brush>(*o) ? std::get<Brush>(*o) : canvas.currentBrush();
            canvas.frameRegion(region, b, QSizeF(w, h));
            break;
        }
        case 73:   // INVERTRGN
        case 74: { // PAINTRGN
            r.skip(16);
            const quint32 cb = r.u32();
            const Region region = readRegionData(r, cb);
            if (type == 73)
                canvas.invertRegion(region);
            else
                canvas.fillRegion(region, canvas.currentBrush());
            break;
        }
        case 75: { // EXTSELECTCLIPRGN
            const quint32 cb = r.u32();
            const int mode = int(r.u32());
            if (cb == 0) {
                canvas.selectClipRegion(nullptr, mode);
                break;
            }
            const Region region = readRegionData(r, cb);
            canvas.selectClipRegion(&region, mode);
            break;
        }
        case 76:   // BITBLT
        case 77: { // STRETCHBLT
            r.skip(16);
            const qreal dx = r.i32();
            const qreal dy = r.i32();
            const qreal dw = r.i32();
            const qreal dh = r.i32();
            const quint32 rop = r.u32();
            const qreal sx = r.i32();
            const qreal sy = r.i32();
            r.skip(24); // the source's world transform
            r.u32();    // background colour
            r.u32();    // usage
            const quint32 offBmi = r.u32();
            const quint32 cbBmi = r.u32();
            const quint32 offBits = r.u32();
            const quint32 cbBits = r.u32();
            qreal sw = dw;
            qreal sh = dh;
            if (type == 77) {
                sw = r.i32();
                sh = r.i32();
            }
            if (cbBmi == 0) {
                canvas.patBlt(QRectF(dx, dy, dw, dh), rop);
                break;
            }
            QByteArrayView bmi;
            const QImage image = recordBitmap(record, offBmi, cbBmi, offBits, cbBits, &bmi);
            if (image.isNull()) {
                canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, dw, dh), image, bitmapSource(bmi, image, sx, sy, sw, sh), rop);
            break;
        }
        case 114: { // ALPHABLEND
            r.skip(16);
            const qreal dx = r.i32();
            const qreal dy = r.i32();
            const qreal dw = r.i32();
            const qreal dh = r.i32();
            r.u32(); // blend function
            const qreal sx = r.i32();
            const qreal sy = r.i32();
            r.skip(24);
            r.u32();
            r.u32();
            const quint32 offBmi = r.u32();
            const quint32 cbBmi = r.u32();
            const quint32 offBits = r.u32();
            const quint32 cbBits = r.u32();
            const qreal sw = r.i32();
            const qreal sh = r.i32();
            QByteArrayView bmi;
            const QImage image = recordBitmap(record, offBmi, cbBmi, offBits, cbBits, &bmi);
            if (image.isNull()) {
                canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, dw, dh), image, bitmapSource(bmi, image, sx, sy, sw, sh), 0x00CC0020);
            break;
        }
        case 80: { // SETDIBITSTODEVICE
            r.skip(16);
            const qreal dx = r.i32();
            const qreal dy = r.i32();
            const qreal sx = r.i32();
            const qreal sy = r.i32();
            const qreal sw = r.i32();
            const qreal sh = r.i32();
            const quint32 offBmi = r.u32();
            const quint32 cbBmi = r.u32();
            const quint32 offBits = r.u32();
            const quint32 cbBits = r.u32();
            QByteArrayView bmi;
            const QImage image = recordBitmap(record, offBmi, cbBmi, offBits, cbBits, &bmi);
            if (image.isNull()) {
                canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, sw, sh), image, bitmapSource(bmi, image, sx, sy, sw, sh), 0x00CC0020);
            break;
        }
        case 81: { // STRETCHDIBITS
            r.skip(16);
            const qreal dx = r.i32();
            const qreal dy = r.i32();
            const qreal sx = r.i32();
            const qreal sy = r.i32();
            const qreal sw = r.i32();
            const qreal sh = r.i32();
            const quint32 offBmi = r.u32();
            const quint32 cbBmi = r.u32();
            const quint32 offBits = r.u32();
            const quint32 cbBits = r.u32();
            r.u32(); // usage
            const quint32 rop = r.u32();
            const qreal dw = r.i32();
            const qreal dh = r.i32();
            QByteArrayView bmi;
            const QImage image = recordBitmap(record, offBmi, cbBmi, offBits, cbBits, &bmi);
            if (image.isNull()) {
                if (cbBmi == 0)
                    canvas.patBlt(QRectF(dx, dy, dw, dh), rop);
                else
                    canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, dw, dh), image, bitmapSource(bmi, image, sx, sy, sw, sh), rop);
            break;
        }
        case 83:        // EXTTEXTOUTA
        case 84: {      // EXTTEXTOUTW
            r.skip(16); // bounds
            r.u32();    // graphics mode
            r.f32();    // scales
            r.f32();
            const QPointF at = pointL(r);
            const quint32 chars = r.u32();
            const quint32 offString = r.u32();
            const int options = int(r.u32());
            const QRectF rect = rectL(r);
            const quint32 offDx = r.u32();
            const bool wide = type == 84;
            const qint64 bytes = qint64(chars) * (wide ? 2 : 1);
            if (r.overrun() || chars == 0 || offString > quint32(record.size()) ||
                bytes > qint64(record.size()) - offString)
                break;
            QList<qreal> dx;
            const int per = options & kEtoPdy ? 2 : 1;
            if (offDx > 0 && offDx < quint32(record.size()) &&
                qint64(chars) * 4 * per <= qint64(record.size()) - offDx) {
                ByteReader d(record);
                d.seek(offDx);
                dx.reserve(chars);
                for (quint32 i = 0; i < chars; ++i) {
                    dx << d.i32();
                    if (per == 2)
                        d.i32();
                }
            }
            const QByteArrayView raw = record.sliced(offString, bytes);
            QString text;
            QList<qreal> advances = dx;
            if (wide) {
                text.resize(chars);
                for (quint32 i = 0; i < chars; ++i)
                    text[i] = QChar(char16_t(quint8(raw[2 * i]) | quint8(raw[2 * i + 1]) << 8));
            } else {
                text = decodeText(raw, canvas.codePageOfFont(), dx, &advances);
            }
            canvas.textOut(at, text, advances, options,
                           options & (kEtoOpaque | kEtoClipped) ? std::optional<QRectF>(rect) : std::nullopt);
            break;
        }
        case 108: { // SMALLTEXTOUT
            const QPointF at = pointL(r);
            const quint32 chars = r.u32();
            const int options = int(r.u32());
            r.u32();
            r.f32();
            r.f32();
            std::optional<QRectF> rect;
            if (!(options & 0x100))
                rect = rectL(r);
            const bool small = options & 0x200;
            const qint64 bytes = qint64(chars) * (small ? 1 : 2);
            if (r.overrun() || bytes > r.remaining())
                break;
            const QByteArrayView raw = r.bytes(bytes);
            QString text;
            if (small) {
                text = decodeText(raw, canvas.codePageOfFont(), {}, nullptr);
            } else {
                for (quint32 i = 0; i < chars; ++i)
                    text += QChar(char16_t(quint8(raw[2 * i]) | quint8(raw[2 * i + 1]) << 8));
            }
            canvas.textOut(at, text, {}, options & ~0x300, (options & 0x6) ? rect : std::nullopt);
            break;
        }
        case 118: { // GRADIENTFILL
            r.skip(16);
            const quint32 vertices = r.u32();
            const quint32 shapes = r.u32();
            const quint32 mode = r.u32();
            if (qint64(vertices) * 16 > r.remaining())
                break;
            QList<QPointF> at;
            QList<QColor> colours;
            for (quint32 i = 0; i < vertices; ++i) {
                at << pointL(r);
                const int red = r.u16() >> 8;
                const int green = r.u16() >> 8;
                const int blue = r.u16() >> 8;
                r.u16();
                colours << QColor(red, green, blue);
            }
            const int per = mode == 2 ? 3 : 2;
            if (qint64(shapes) * per * 4 > r.remaining())
                break;
            for (quint32 i = 0; i < shapes; ++i) {
                quint32 idx[3] = {0, 0, 0};
                bool ok = true;
                for (int k = 0; k < per; ++k) {
                    idx[k] = r.u32();
                    ok = ok && idx[k] < vertices;
                }
                if (!ok)
                    continue;
                if (mode == 2) {
                    const QColor c = QColor(
                        (colours[idx[0]].red() + colours[idx[1]].red() + colours[idx[2]].red()) / 3,
                        (colours[idx[0]].green() + colours[idx[1]].green() + colours[idx[2]].green()) / 3,
                        (colours[idx[0]].blue() + colours[idx[1]].blue() + colours[idx[2]].blue()) / 3);
                    canvas.gradientTriangle(QPolygonF{at[idx[0]], at[idx[1]], at[idx[2]]}, c);
                } else {
                    canvas.gradientRect(QRectF(at[idx[0]], at[idx[1]]), colours[idx[0]], colours[idx[1]],
                                        mode == 1);
                }
            }
            break;
        }
        case 70: { // GDICOMMENT
            // EMF+ records: a dual file draws the same with its EMF records;
            // a file of EMF+ records only has nothing for us to draw.
            const quint32 bytes = r.u32();
            if (bytes >= 12 && r.u32() == 0x2B464D45u && r.u16() == 0x4001 && !(r.u16() & 1))
                canvas.skipped(u"只有 EMF+ 记录的图形"_s);
            break;
        }
        case 1:  // a second header: ignored
        case 13: // SETBRUSHORGEX
        case 16: // SETMAPPERFLAGS
        case 21: // SETSTRETCHBLTMODE
        case 23: // SETCOLORADJUSTMENT
        case 48: // SELECTPALETTE
        case 50: // SETPALETTEENTRIES
        case 51: // RESIZEPALETTE
        case 52: // REALIZEPALETTE
        case 98: // SETICMMODE
        case 99:
        case 100:
        case 101:
        case 102:
        case 103:
        case 104:
        case 105:
        case 106:
        case 107:
        case 109:
        case 110:
        case 111:
        case 112:
        case 113:
        case 115: // SETLAYOUT
        case 119:
        case 120: // SETTEXTJUSTIFICATION
        case 121:
        case 122:
            break;
        default:
            canvas.skipped(u"记录 %1"_s.arg(type));
            break;
        }
        if (r.overrun())
            canvas.skipped(u"记录 %1 不完整"_s.arg(type));
    }
}

} // namespace metafile::detail

#include "metafile/ByteReader.h"
#include "metafile/Dib.h"
#include "metafile/Players.h"

#include <QStringDecoder>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace metafile::detail {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;

const char* decoderName(int codePage)
{
    switch (codePage) {
    case 936:
        return "GBK";
    case 950:
        return "windows-950";
    case 932:
        return "windows-932";
    case 949:
        return "windows-949";
    case 874:
        return "windows-874";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 10000:
        return "macintosh";
    case 850:
        return "IBM850";
    default:
        return "windows-1252";
    }
}

bool isLeadByte(int codePage, quint8 b)
{
    switch (codePage) {
    case 936:
    case 949:
    case 950:
        return b >= 0x81 && b <= 0xFE;
    case 932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    default:
        return false;
    }
}

QPointF pointYX(ByteReader& r)
{
    const qreal y = r.i16();
    const qreal x = r.i16();
    return {x, y};
}

// bottom, right, top, left: WMF gives a rectangle's corners in reverse.
QRectF rectBRTL(ByteReader& r)
{
    const qreal bottom = r.i16();
    const qreal right = r.i16();
    const qreal top = r.i16();
    const qreal left = r.i16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF points(ByteReader& r, int count)
{
    QPolygonF p;
    if (count <= 0 || count * 4 > r.remaining())
        return p;
    p.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qreal x = r.i16();
        const qreal y = r.i16();
        p << QPointF(x, y);
    }
    return p;
}

Font readFont16(ByteReader& r)
{
    Font f;
    f.height = r.i16();
    f.width = r.i16();
    f.escapement = r.i16();
    r.i16(); // orientation
    f.weight = r.i16();
    f.italic = r.u8();
    f.underline = r.u8();
    f.strikeOut = r.u8();
    f.charset = r.u8();
    r.u8(); // out precision
    r.u8(); // clip precision
    r.u8(); // quality
    f.pitchAndFamily = r.u8();
    QByteArrayView name = r.bytes(std::min<qsizetype>(32, r.remaining()));
    const qsizetype end = name.indexOf('\0');
    if (end >= 0)
        name = name.first(end);
    // Chinese face names (宋体) come in the system code page.
    f.face = decodeText(name, f.charset == 0 || f.charset == 1 || f.charset == 134 ? 936 : 1252, {}, nullptr)
                 .trimmed();
    return f;
}

// The source rectangle of a DIB in image rows from the top: a bottom-up DIB
// (positive height) counts rows from the bottom.
QRectF dibSource(QByteArrayView dib, const QImage& image, qreal x, qreal y, qreal w, qreal h)
{
    ByteReader r(dib);
    const quint32 headerSize = r.u32();
    const qint32 height = headerSize == 12 ? qint32(r.i16At(6)) : r.i32At(8);
    if (height > 0)
        y = image.height() - y - h;
    return QRectF(x, y, w, h);
}

Region readRegion(ByteReader& r)
{
    Region region;
    r.i16(); // next in chain
    r.i16(); // object type
    r.i32(); // object count
    r.i16(); // region size
    const int scans = r.i16();
    r.i16();   // max scan
    r.skip(8); // bounds
    for (int i = 0; i < scans && !r.overrun() && r.remaining() >= 6; ++i) {
        const int count = r.u16();
        const qreal top = r.i16();
        const qreal bottom = r.i16();
        for (int j = 0; j + 1 < count && r.remaining() >= 4; j += 2) {
            const qreal left = r.i16();
            const qreal right = r.i16();
            region.path.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
        }
        r.u16();
    }
    region.path.setFillRule(Qt::WindingFill);
    return region;
}

} // namespace

bool usableFrame(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height()) && r.width() != 0 && r.height() != 0;
}

QString decodeText(QByteArrayView bytes, int codePage, const QList<qreal>& byteAdvances,
                   QList<qreal>* charAdvances)
{
    QString out;
    if (charAdvances)
        charAdvances->clear();
    if (codePage == 42 || (codePage == 1252 && byteAdvances.isEmpty())) {
        if (codePage == 42) {
            out = QString::fromLatin1(bytes);
        } else {
            QStringDecoder d(decoderName(codePage));
            out = d.isValid() ? d.decode(bytes) : QString::fromLatin1(bytes);
        }
        if (charAdvances)
            *charAdvances = byteAdvances.mid(0, out.size());
        return out;
    }
    QStringDecoder decoder(decoderName(codePage));
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Latin1);
    for (qsizetype i = 0; i < bytes.size();) {
        const int n = isLeadByte(codePage, quint8(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        const QString c = decoder.decode(bytes.sliced(i, n));
        qreal advance = 0;
        for (int k = 0; k < n; ++k)
            advance += i + k < byteAdvances.size() ? byteAdvances[i + k] : 0;
        for (qsizetype j = 0; j < c.size(); ++j) {
            out += c[j];
            if (charAdvances)
                *charAdvances << (j == 0 ? advance : 0);
        }
        i += n;
    }
    if (charAdvances && byteAdvances.isEmpty())
        charAdvances->clear();
    return out;
}

WmfHeader readWmfHeader(QByteArrayView data)
{
    WmfHeader h;
    ByteReader r(data);
    qsizetype start = 0;
    if (r.u32At(0) == kPlaceableKey) {
        h.placeable = true;
        const qreal left = r.i16At(6);
        const qreal top = r.i16At(8);
        const qreal right = r.i16At(10);
        const qreal bottom = r.i16At(12);
        qreal inch = r.u16At(14);
        if (inch <= 0)
            inch = 1440;
        h.frame = QRectF(QPointF(left, top), QPointF(right, bottom));
        h.naturalSize = QSizeF(std::abs(right - left) / inch * 72, std::abs(bottom - top) / inch * 72);
        start = 22;
    }
    if (data.size() < start + 18)
        return {};
    const quint16 type = r.u16At(start);
    const quint16 headerWords = r.u16At(start + 2);
    const quint16 version = r.u16At(start + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return {};
    h.objects = r.u16At(start + 10);
    h.recordsAt = start + 18;
    h.ok = true;
    if (!h.placeable) {
        // The first window the records set (with the origin set before it).
        QPointF org;
        qsizetype pos = h.recordsAt;
        for (int n = 0; n < 256 && pos + 6 <= data.size(); ++n) {
            const qsizetype words = r.u32At(pos);
            const quint16 function = r.u16At(pos + 4);
            if (words < 3 || words > (data.size() - pos) / 2 || function == 0)
                break;
            if (function == 0x020B) {
                org = QPointF(r.i16At(pos + 8), r.i16At(pos + 6));
            } else if (function == 0x020C) {
                h.frame = QRectF(org, QSizeF(r.i16At(pos + 8), r.i16At(pos + 6)));
                break;
            }
            pos += words * 2;
        }
    }
    return h;
}

void playWmf(QByteArrayView data, const WmfHeader& header, Canvas& canvas, PlaybackReport& report)
{
    canvas.setObjectTableSize(header.objects);
    const qsizetype end = std::min<qsizetype>(data.size(), kMaxMetafileBytes);
    qsizetype pos = header.recordsAt;
    ByteReader all(data);
    while (!canvas.exhausted()) {
        if (pos + 6 > end) {
            if (report.problem.isEmpty())
                report.problem = data.size() > kMaxMetafileBytes ? u"图片超过 64 MB，其余部分未画出"_s
                                                                 : u"图片数据不完整"_s;
            return;
        }
        const qint64 words = all.u32At(pos);
        const quint16 function = all.u16At(pos + 4);
        if (words < 3 || words > (end - pos) / 2) {
            if (report.problem.isEmpty())
                report.problem = data.size() > kMaxMetafileBytes ? u"图片超过 64 MB，其余部分未画出"_s
                                                                 : u"图片数据不完整"_s;
            return;
        }
        ByteReader r(data.sliced(pos + 6, words * 2 - 6));
        pos += words * 2;
        ++report.records;
        switch (function) {
        case 0x0000: // META_EOF
            report.complete = true;
            return;
        case 0x001E:
            canvas.saveDc();
            break;
        case 0x0127:
            canvas.restoreDc(r.i16());
            break;
        case 0x0102:
            canvas.setBkMode(r.u16());
            break;
        case 0x0103:
            canvas.setMapMode(r.u16());
            break;
        case 0x0104:
            canvas.setRop2(r.u16());
            break;
        case 0x0106:
            canvas.setPolyFillMode(r.u16());
            break;
        case 0x0108:
            canvas.setTextCharExtra(r.i16());
            break;
        case 0x012E:
            canvas.setTextAlign(r.u16());
            break;
        case 0x0201:
            canvas.setBkColor(colourRef(r.u32()));
            break;
        case 0x0209:
            canvas.setTextColor(colourRef(r.u32()));
            break;
        case 0x020B:
            canvas.setWindowOrg(pointYX(r));
            break;
        case 0x020C: {
            const QPointF e = pointYX(r);
            canvas.setWindowExt(QSizeF(e.x(), e.y()));
            break;
        }
        case 0x020F:
            canvas.offsetWindowOrg(pointYX(r));
            break;
        case 0x0410: {
            const qreal yDenom = r.i16();
            const qreal yNum = r.i16();
            const qreal xDenom = r.i16();
            const qreal xNum = r.i16();
            canvas.scaleWindowExt(xNum, xDenom, yNum, yDenom);
            break;
        }
        case 0x020D: // the host owns the viewport of a WMF
        case 0x020E:
        case 0x0211:
        case 0x0412:
            break;
        case 0x0213:
            canvas.lineTo(pointYX(r));
            break;
        case 0x0214:
            canvas.moveTo(pointYX(r));
            break;
        case 0x0324:
        case 0x0325: {
            const int n = r.i16();
            const QPolygonF p = points(r, n);
            if (function == 0x0324)
                canvas.polygon(p);
            else
                canvas.polyline(p);
            break;
        }
        case 0x0538: {
            const int polys = r.u16();
            QList<int> counts;
            qint64 total = 0;
            for (int i = 0; i < polys && !r.overrun(); ++i) {
                counts << r.u16();
                total += counts.last();
            }
            if (r.overrun() || total * 4 > r.remaining())
                break;
            QList<QPolygonF> list;
            for (int c : counts)
                list << points(r, c);
            canvas.polyPolygon(list);
            break;
        }
        case 0x041B:
            canvas.rectangle(rectBRTL(r));
            break;
        case 0x0418:
            canvas.ellipse(rectBRTL(r));
            break;
        case 0x061C: {
            const qreal h = r.i16();
            const qreal w = r.i16();
            canvas.roundRect(rectBRTL(r), QSizeF(w, h));
            break;
        }
        case 0x0817:
        case 0x081A:
        case 0x0830: {
            const QPointF end = pointYX(r);
            const QPointF start = pointYX(r);
            const QRectF box = rectBRTL(r);
            const auto kind = function == 0x0817   ? Canvas::ArcKind::Arc
                              : function == 0x081A ? Canvas::ArcKind::Pie
                                                   : Canvas::ArcKind::Chord;
            canvas.arc(kind, box, start, end);
            break;
        }
        case 0x041F: {
            const QColor c = colourRef(r.u32());
            canvas.setPixel(pointYX(r), c);
            break;
        }
        case 0x0521: { // META_TEXTOUT
            const int n = r.i16();
            if (n <= 0 || n > r.remaining())
                break;
            const QByteArrayView bytes = r.bytes(n);
            r.skip(n & 1);
            const QPointF at = pointYX(r);
            canvas.textOut(at, decodeText(bytes, canvas.codePageOfFont(), {}, nullptr), {}, 0, std::nullopt);
            break;
        }
        case 0x0A32: { // META_EXTTEXTOUT
            const QPointF at = pointYX(r);
            const int n = r.i16();
            const int options = r.u16();
            std::optional<QRectF> rect;
            if (options & (kEtoOpaque | kEtoClipped)) {
                const qreal l = r.i16();
                const qreal t = r.i16();
                const qreal rr = r.i16();
                const qreal b = r.i16();
                rect = QRectF(QPointF(l, t), QPointF(rr, b));
            }
            if (n < 0 || n > r.remaining() || r.overrun())
                break;
            const QByteArrayView bytes = r.bytes(n);
            r.skip(n & 1);
            QList<qreal> byteAdvances;
            if (r.remaining() >= 2 * qsizetype(n)) {
                byteAdvances.reserve(n);
                for (int i = 0; i < n; ++i)
                    byteAdvances << r.i16();
            }
            QList<qreal> advances;
            const QString text = decodeText(bytes, canvas.codePageOfFont(), byteAdvances, &advances);
            canvas.textOut(at, text, advances, options, rect);
            break;
        }
        case 0x02FA: { // META_CREATEPENINDIRECT
            Pen p;
            p.style = r.u16();
            p.width = r.i16();
            r.i16();
            p.color = colourRef(r.u32());
            canvas.createObject(p);
            break;
        }
        case 0x02FC: { // META_CREATEBRUSHINDIRECT
            Brush b;
            b.style = r.u16();
            b.color = colourRef(r.u32());
            b.hatch = r.u16();
            if (b.style != kBsSolid && b.style != kBsNull && b.style != kBsHatched)
                b.style = kBsSolid;
            canvas.createObject(b);
            break;
        }
        case 0x02FB:
            canvas.createObject(readFont16(r));
            break;
        case 0x0142: { // META_DIBCREATEPATTERNBRUSH
            Brush b;
            b.style = r.u16();
            r.u16();
            if (b.style == kBsDibPattern || b.style == kBsDibPatternPt)
                b.pattern = decodeDib(r.bytes(r.remaining()));
            if (b.pattern.isNull()) {
                b.style = kBsSolid;
                b.color = Qt::gray;
            }
            canvas.createObject(b);
            break;
        }
        case 0x01F9: { // META_CREATEPATTERNBRUSH: a device-dependent bitmap
            Brush b;
            b.color = Qt::gray;
            canvas.createObject(b);
            canvas.skipped(u"设备相关位图画刷"_s);
            break;
        }
        case 0x00F7:
            canvas.createObject(Palette{});
            break;
        case 0x06FF:
            canvas.createObject(readRegion(r));
            break;
        case 0x01F0:
            canvas.deleteObject(r.u16());
            break;
        case 0x012D:
            canvas.selectObject(r.u16());
            break;
        case 0x012C: {
            const quint16 index = r.u16();
            const GdiObject* o = canvas.object(index);
            const Region* region = o ? std::get_if<Region>(o) : nullptr;
            canvas.selectClipRegion(region, kRgnCopy);
            break;
        }
        case 0x0416:
            canvas.intersectClipRect(rectBRTL(r));
            break;
        case 0x0415:
            canvas.excludeClipRect(rectBRTL(r));
            break;
        case 0x0220:
            canvas.offsetClip(pointYX(r));
            break;
        case 0x0228:
        case 0x0429:
        case 0x012B:
        case 0x012A: {
            const GdiObject* region = canvas.object(r.u16());
            if (!region || !std::holds_alternative<Region>(*region))
                break;
            if (function == 0x012B) {
                canvas.fillRegion(std::get<Region>(*region), canvas.currentBrush());
                break;
            }
            if (function == 0x012A) {
                canvas.invertRegion(std::get<Region>(*region));
                break;
            }
            const GdiObject* brush = canvas.object(r.u16());
            if (!brush || !std::holds_alternative<Brush>(*brush))
                break;
            if (function == 0x0228) {
                canvas.fillRegion(std::get<Region>(*region), std::get<Brush>(*brush));
            } else {
                const qreal h = r.i16();
                const qreal w = r.i16();
                canvas.frameRegion(std::get<Region>(*region), std::get<Brush>(*brush), QSizeF(w, h));
            }
            break;
        }
        case 0x061D: { // META_PATBLT
            const quint32 rop = r.u32();
            const qreal h = r.i16();
            const qreal w = r.i16();
            const qreal y = r.i16();
            const qreal x = r.i16();
            canvas.patBlt(QRectF(x, y, w, h), rop);
            break;
        }
        case 0x0F43: { // META_STRETCHDIB
            const quint32 rop = r.u32();
            r.u16(); // colour usage
            const qreal sh = r.i16();
            const qreal sw = r.i16();
            const qreal sy = r.i16();
            const qreal sx = r.i16();
            const qreal dh = r.i16();
            const qreal dw = r.i16();
            const qreal dy = r.i16();
            const qreal dx = r.i16();
            const QByteArrayView dib = r.bytes(r.remaining());
            const QImage image = decodeDib(dib);
            if (image.isNull()) {
                canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, dw, dh), image, dibSource(dib, image, sx, sy, sw, sh), rop);
            break;
        }
        case 0x0B41:   // META_DIBSTRETCHBLT
        case 0x0940: { // META_DIBBITBLT
            const bool stretch = function == 0x0B41;
            const bool withBitmap = r.remaining() > (stretch ? 22 : 18);
            const quint32 rop = r.u32();
            qreal sh = 0;
            qreal sw = 0;
            if (stretch) {
                sh = r.i16();
                sw = r.i16();
            }
            const qreal sy = r.i16();
            const qreal sx = r.i16();
            if (!withBitmap)
                r.i16(); // reserved
            const qreal dh = r.i16();
            const qreal dw = r.i16();
            const qreal dy = r.i16();
            const qreal dx = r.i16();
            if (!stretch) {
                sh = dh;
                sw = dw;
            }
            if (!withBitmap) {
                canvas.patBlt(QRectF(dx, dy, dw, dh), rop);
                break;
            }
            const QByteArrayView dib = r.bytes(r.remaining());
            const QImage image = decodeDib(dib);
            if (image.isNull()) {
                canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, dw, dh), image, dibSource(dib, image, sx, sy, sw, sh), rop);
            break;
        }
        case 0x0D33: { // META_SETDIBTODEV
            r.u16();
            r.u16();
            r.u16();
            const qreal sy = r.i16();
            const qreal sx = r.i16();
            const qreal h = r.i16();
            const qreal w = r.i16();
            const qreal dy = r.i16();
            const qreal dx = r.i16();
            const QByteArrayView dib = r.bytes(r.remaining());
            const QImage image = decodeDib(dib);
            if (image.isNull()) {
                canvas.skipped(u"位图已损坏"_s);
                break;
            }
            canvas.image(QRectF(dx, dy, w, h), image, dibSource(dib, image, sx, sy, w, h), 0x00CC0020);
            break;
        }
        case 0x0922: // META_BITBLT, META_STRETCHBLT: without a bitmap they fill with the brush
        case 0x0B23: {
            const bool stretch = function == 0x0B23;
            const qsizetype plain = stretch ? 22 : 18;
            if (r.remaining() != plain) {
                canvas.skipped(u"设备相关位图"_s);
                break;
            }
            const quint32 rop = r.u32();
            r.skip(stretch ? 10 : 6);
            const qreal h = r.i16();
            const qreal w = r.i16();
            const qreal y = r.i16();
            const qreal x = r.i16();
            canvas.patBlt(QRectF(x, y, w, h), rop);
            break;
        }
        case 0x0626: // META_ESCAPE: comments and printer escapes
        case 0x0107: // SETSTRETCHBLTMODE
        case 0x0231: // SETMAPPERFLAGS
        case 0x0234: // SELECTPALETTE
        case 0x0035: // REALIZEPALETTE
        case 0x0037: // SETPALENTRIES
        case 0x0436: // ANIMATEPALETTE
        case 0x0139: // RESIZEPALETTE
        case 0x020A: // SETTEXTJUSTIFICATION
        case 0x0149: // SETRELABS
        case 0x0001: // SETLAYOUT
            break;
        default:
            canvas.skipped(u"记录 0x%1"_s.arg(function, 4, 16, QLatin1Char('0')));
            break;
        }
        if (r.overrun())
            canvas.skipped(u"记录 0x%1 不完整"_s.arg(function, 4, 16, QLatin1Char('0')));
    }
}

} // namespace metafile::detail

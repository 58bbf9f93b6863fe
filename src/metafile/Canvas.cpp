#include "metafile/Canvas.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QLineF>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QtMath>

#include <QLinearGradient>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;

namespace metafile::detail {

namespace {

// Fonts are laid out at this pixel size and scaled to the size a record asks
// for: QFont sizes are whole pixels, a metafile's are any size at all.
constexpr qreal kFontPixels = 256;
// Coordinates further out than this (in painter units) are not drawn: they
// can only come from a damaged file, and would make QPainter's stroker and
// rasteriser work for nothing.
constexpr qreal kFarAway = 1e7;
constexpr int kMaxSaveDepth = 1000;
constexpr int kMaxObjects = 65536;
constexpr int kMaxFonts = 256;
// Antialiasing a shape of many crossing edges makes QPainter's rasteriser
// split its work again and again (a second for one zigzag of 8,000 points):
// such shapes are drawn without it.
constexpr int kMaxAntialiasedVertices = 1000;

bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

bool reasonable(const QRectF& r)
{
    return finiteRect(r) && std::abs(r.left()) < kFarAway && std::abs(r.right()) < kFarAway &&
           std::abs(r.top()) < kFarAway && std::abs(r.bottom()) < kFarAway;
}

qreal vectorLength(const QTransform& t, QPointF v)
{
    const QPointF a = t.map(QPointF(0, 0));
    const QPointF b = t.map(v);
    return QLineF(a, b).length();
}

QColor stockBrushColour(quint32 index)
{
    switch (index) {
    case 0:
        return Qt::white;
    case 1:
        return QColor(0xC0, 0xC0, 0xC0);
    case 2:
        return QColor(0x80, 0x80, 0x80);
    case 3:
        return QColor(0x40, 0x40, 0x40);
    default:
        return Qt::black;
    }
}

Qt::BrushStyle hatchStyle(int hatch)
{
    switch (hatch) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    case 5:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

// The parametric angle (as QPainterPath::arcTo takes it) of the point of the
// ellipse in `box` on the ray from its centre through `p`.
qreal ellipseAngle(const QRectF& box, QPointF p)
{
    const QPointF c = box.center();
    const qreal rx = box.width() / 2;
    const qreal ry = box.height() / 2;
    return qRadiansToDegrees(std::atan2((c.y() - p.y()) / ry, (p.x() - c.x()) / rx));
}

} // namespace

struct Canvas::State
{
    Pen pen;
    Brush brush;
    Font font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = kOpaque;
    int polyFillMode = kAlternate;
    int rop2 = 13; // R2_COPYPEN
    int textAlign = 0;
    int mapMode = kMmText;
    int arcDirection = 1; // AD_COUNTERCLOCKWISE
    qreal charExtra = 0;
    qreal miterLimit = 10;
    QPointF windowOrg;
    QSizeF windowExt{1, 1};
    QPointF viewportOrg;
    QSizeF viewportExt{1, 1};
    QTransform world;
    QPointF position;
    bool clipped = false;
    QPainterPath clip; // device units
};

struct Canvas::ResolvedFont
{
    QFont font;
    QRawFont raw; // the font's main face, for drawing glyphs at given positions without laying them out
    qreal ascent = 0;
    qreal descent = 0;
    qreal average = 0;
    SymbolEncoding encoding = SymbolEncoding::None;
};

Canvas::Canvas(QPainter* painter, Dialect dialect, const QRectF& deviceFrame, const QRectF& target,
               qreal hairline, QSizeF devicePixelsPerMm)
    : painter_(painter), dialect_(dialect), deviceFrame_(deviceFrame), target_(target), hairline_(hairline),
      pixelsPerMm_(devicePixelsPerMm), state_(std::make_unique<State>())
{
    clock_.start();
    deviceToTarget_ =
        QTransform::fromTranslate(-deviceFrame.left(), -deviceFrame.top()) *
        QTransform::fromScale(target.width() / deviceFrame.width(), target.height() / deviceFrame.height()) *
        QTransform::fromTranslate(target.left(), target.top());
    if (dialect == Dialect::Wmf) {
        // The host sets the mapping of a WMF: its window (the placeable box
        // until a record sets one) fills the frame.
        state_->mapMode = kMmAnisotropic;
        state_->windowOrg = deviceFrame.topLeft();
        state_->windowExt = deviceFrame.size();
    }
    state_->font.height = 0;
    objects_.resize(dialect == Dialect::Wmf ? 16 : 0);
    if (painter_) {
        base_ = painter_->transform();
        deviceScale_ = std::sqrt(std::abs(painter_->deviceTransform().determinant()));
        painter_->setClipRect(target, painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        baseClip_ = painter_->clipPath();
        painter_->setRenderHint(QPainter::Antialiasing);
        painter_->setRenderHint(QPainter::TextAntialiasing);
        painter_->setRenderHint(QPainter::SmoothPixmapTransform);
    }
}

Canvas::~Canvas() = default;

void Canvas::skipped(const QString& what)
{
    ++skippedCount_;
    if (firstSkipped_.isEmpty())
        firstSkipped_ = what;
}

bool Canvas::spend(qint64 points, qint64 characters, qint64 pixels)
{
    budget_.operations -= 1;
    budget_.points -= points;
    budget_.characters -= characters;
    budget_.bitmapPixels -= pixels;
    if (budget_.operations < 0 || budget_.points < 0 || budget_.characters < 0 || budget_.bitmapPixels < 0 ||
        clock_.elapsed() - fontMilliseconds_ > kMaxPlaybackMilliseconds) {
        if (!exhausted_)
            skipped(u"图形过于复杂，其余部分未画出"_s);
        exhausted_ = true;
        return false;
    }
    return true;
}

void Canvas::antialias(qsizetype vertices)
{
    painter_->setRenderHint(QPainter::Antialiasing, vertices <= kMaxAntialiasedVertices);
}

bool Canvas::drawing() const
{
    return painter_ != nullptr;
}

bool Canvas::useRaster() const
{
    return painter_ && painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster;
}

// ---- mapping

QTransform Canvas::logicalToDevice() const
{
    const State& s = *state_;
    qreal sx = 1;
    qreal sy = 1;
    QPointF viewportOrg = s.viewportOrg;
    if (dialect_ == Dialect::Wmf) {
        sx = s.windowExt.width() != 0 ? deviceFrame_.width() / s.windowExt.width() : 1;
        sy = s.windowExt.height() != 0 ? deviceFrame_.height() / s.windowExt.height() : 1;
        viewportOrg = deviceFrame_.topLeft();
    } else {
        auto perUnit = [&](qreal mm) {
            sx = mm * pixelsPerMm_.width();
            sy = -mm * pixelsPerMm_.height();
        };
        switch (s.mapMode) {
        case 2: // MM_LOMETRIC
            perUnit(0.1);
            break;
        case 3: // MM_HIMETRIC
            perUnit(0.01);
            break;
        case 4: // MM_LOENGLISH
            perUnit(0.254);
            break;
        case 5: // MM_HIENGLISH
            perUnit(0.0254);
            break;
        case 6: // MM_TWIPS
            perUnit(25.4 / 1440);
            break;
        case kMmIsotropic:
        case kMmAnisotropic:
            sx = s.windowExt.width() != 0 ? s.viewportExt.width() / s.windowExt.width() : 1;
            sy = s.windowExt.height() != 0 ? s.viewportExt.height() / s.windowExt.height() : 1;
            break;
        default:
            break;
        }
    }
    if (s.mapMode == kMmIsotropic) {
        const qreal m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
    }
    const QTransform page = QTransform::fromTranslate(-s.windowOrg.x(), -s.windowOrg.y()) *
                            QTransform::fromScale(sx, sy) *
                            QTransform::fromTranslate(viewportOrg.x(), viewportOrg.y());
    return dialect_ == Dialect::Emf ? s.world * page : page;
}

const QTransform& Canvas::toTarget()
{
    if (transformDirty_) {
        toTarget_ = logicalToDevice() * deviceToTarget_;
        transformDirty_ = false;
    }
    return toTarget_;
}

void Canvas::mappingChanged()
{
    transformDirty_ = true;
}

void Canvas::setMapMode(int mode)
{
    if (mode < 1 || mode > 8)
        return;
    state_->mapMode = mode;
    if (dialect_ == Dialect::Emf && mode != kMmIsotropic && mode != kMmAnisotropic) {
        state_->windowExt = {1, 1};
        state_->viewportExt = {1, 1};
    }
    mappingChanged();
}

void Canvas::setWindowOrg(QPointF p)
{
    state_->windowOrg = p;
    mappingChanged();
}

void Canvas::setWindowExt(QSizeF s)
{
    if (s.width() == 0 || s.height() == 0)
        return;
    state_->windowExt = s;
    mappingChanged();
}

void Canvas::setViewportOrg(QPointF p)
{
    state_->viewportOrg = p;
    mappingChanged();
}

void Canvas::setViewportExt(QSizeF s)
{
    if (s.width() == 0 || s.height() == 0)
        return;
    state_->viewportExt = s;
    mappingChanged();
}

void Canvas::offsetWindowOrg(QPointF d)
{
    setWindowOrg(state_->windowOrg + d);
}

void Canvas::offsetViewportOrg(QPointF d)
{
    setViewportOrg(state_->viewportOrg + d);
}

void Canvas::scaleWindowExt(qreal xNum, qreal xDenom, qreal yNum, qreal yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setWindowExt({state_->windowExt.width() * xNum / xDenom, state_->windowExt.height() * yNum / yDenom});
}

void Canvas::scaleViewportExt(qreal xNum, qreal xDenom, qreal yNum, qreal yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setViewportExt(
        {state_->viewportExt.width() * xNum / xDenom, state_->viewportExt.height() * yNum / yDenom});
}

void Canvas::setWorldTransform(const QTransform& t)
{
    if (!t.isInvertible())
        return;
    state_->world = t;
    mappingChanged();
}

void Canvas::modifyWorldTransform(const QTransform& t, int mode)
{
    switch (mode) {
    case 1:
        state_->world = QTransform();
        break;
    case 2:
        if (t.isInvertible())
            state_->world = t * state_->world;
        break;
    case 3:
        if (t.isInvertible())
            state_->world = state_->world * t;
        break;
    case 4:
        if (t.isInvertible())
            state_->world = t;
        break;
    default:
        return;
    }
    mappingChanged();
}

// ---- state

void Canvas::saveDc()
{
    if (int(stack_.size()) >= kMaxSaveDepth) {
        skipped(u"保存的绘图状态过多"_s);
        return;
    }
    stack_.push_back(*state_);
}

void Canvas::restoreDc(int which)
{
    // Negative: relative to the current level; positive: an absolute level.
    int level = which < 0 ? int(stack_.size()) + which : which - 1;
    if (stack_.empty() || level < 0 || level >= int(stack_.size()))
        return;
    *state_ = stack_[level];
    stack_.resize(level);
    mappingChanged();
    clipDirty_ = true;
}

void Canvas::setBkMode(int mode)
{
    if (mode == kTransparent || mode == kOpaque)
        state_->bkMode = mode;
}

void Canvas::setBkColor(const QColor& c)
{
    state_->bkColor = c;
}

void Canvas::setTextColor(const QColor& c)
{
    state_->textColor = c;
}

void Canvas::setTextAlign(int align)
{
    state_->textAlign = align;
}

void Canvas::setPolyFillMode(int mode)
{
    if (mode == kAlternate || mode == kWinding)
        state_->polyFillMode = mode;
}

void Canvas::setRop2(int rop)
{
    if (rop >= 1 && rop <= 16)
        state_->rop2 = rop;
}

void Canvas::setArcDirection(int direction)
{
    if (direction == 1 || direction == 2)
        state_->arcDirection = direction;
}

void Canvas::setTextCharExtra(qreal extra)
{
    state_->charExtra = extra;
}

void Canvas::setMiterLimit(qreal limit)
{
    if (std::isfinite(limit) && limit >= 1 && limit < 1000)
        state_->miterLimit = limit;
}

// ---- objects

void Canvas::setObjectTableSize(int size)
{
    objects_.resize(std::clamp(size, 0, kMaxObjects));
}

int Canvas::createObject(GdiObject object)
{
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (std::holds_alternative<std::monostate>(objects_[i])) {
            objects_[i] = std::move(object);
            return int(i);
        }
    }
    if (objects_.size() >= size_t(kMaxObjects))
        return -1;
    objects_.push_back(std::move(object));
    return int(objects_.size() - 1);
}

void Canvas::createObjectAt(quint32 index, GdiObject object)
{
    if (index >= quint32(kMaxObjects))
        return;
    if (index >= objects_.size())
        objects_.resize(index + 1);
    objects_[index] = std::move(object);
}

const GdiObject* Canvas::object(quint32 index) const
{
    return index < objects_.size() ? &objects_[index] : nullptr;
}

void Canvas::selectObject(quint32 index)
{
    if (dialect_ == Dialect::Emf && (index & 0x80000000u)) {
        selectStockObject(index & 0x7FFFFFFFu);
        return;
    }
    const GdiObject* o = object(index);
    if (!o)
        return;
    if (const auto* pen = std::get_if<Pen>(o))
        state_->pen = *pen;
    else if (const auto* brush = std::get_if<Brush>(o))
        state_->brush = *brush;
    else if (const auto* font = std::get_if<Font>(o))
        state_->font = *font;
    else if (const auto* region = std::get_if<Region>(o))
        selectClipRegion(region, kRgnCopy);
}

void Canvas::selectStockObject(quint32 index)
{
    if (index <= 4) {
        state_->brush = Brush{kBsSolid, stockBrushColour(index), 0, {}};
    } else if (index == 5) {
        state_->brush = Brush{kBsNull, Qt::white, 0, {}};
    } else if (index == 6 || index == 7) {
        state_->pen = Pen{kPsSolid, 0, index == 6 ? Qt::white : Qt::black, {}};
    } else if (index == 8) {
        state_->pen = Pen{kPsNull, 0, Qt::black, {}};
    } else if (index >= 10 && index <= 17 && index != 15) {
        Font f;
        f.face = index == 10 || index == 11 || index == 16 ? u"Courier New"_s : u"Arial"_s;
        f.pitchAndFamily = index == 10 || index == 11 || index == 16 ? 0x31 : 0x22;
        state_->font = f;
    } else if (index == 18) {
        state_->brush = Brush{kBsSolid, Qt::white, 0, {}};
    } else if (index == 19) {
        state_->pen = Pen{kPsSolid, 0, Qt::black, {}};
    }
}

void Canvas::deleteObject(quint32 index)
{
    if (index < objects_.size())
        objects_[index] = std::monostate();
}

const Brush& Canvas::currentBrush() const
{
    return state_->brush;
}

const Font& Canvas::currentFont() const
{
    return state_->font;
}

// ---- pens, brushes, clipping

QPen Canvas::targetPen(const QPainterPath* boundsHint)
{
    const State& s = *state_;
    const Pen& p = s.pen;
    const int style = p.style & 0xF;
    if (style == kPsNull || s.rop2 == 11 /* R2_NOP */)
        return Qt::NoPen;
    const qreal xScale = vectorLength(toTarget(), {1, 0});
    qreal width = std::max(p.width * xScale, hairline_);
    const qreal diagonal = QLineF(target_.topLeft(), target_.bottomRight()).length();
    width = std::min(width, std::max(diagonal, hairline_) * 4);
    QColor colour = s.rop2 == 1 ? QColor(Qt::black) : s.rop2 == 16 ? QColor(Qt::white) : p.color;
    QPen pen(colour, width);
    // A line of one device pixel or less is drawn as a cosmetic line, which
    // QPainter draws without building its outline (four times faster for
    // the grid of a figure).
    if (width * deviceScale_ <= 1.01) {
        pen.setCosmetic(true);
        pen.setWidthF(width * deviceScale_);
    }
    switch (p.style & 0xF00) {
    case 0x100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (p.style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(s.miterLimit);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    // A dashed line over a huge shape would be cut into millions of dashes.
    bool dashes = style != kPsSolid && style != kPsInsideFrame;
    if (dashes && boundsHint) {
        const QRectF b = boundsHint->controlPointRect();
        if (b.width() + b.height() > 64 * (diagonal + 1))
            dashes = false;
    }
    if (dashes) {
        switch (style) {
        case kPsDash:
            pen.setStyle(Qt::DashLine);
            break;
        case kPsDot:
            pen.setStyle(Qt::DotLine);
            break;
        case kPsDashDot:
            pen.setStyle(Qt::DashDotLine);
            break;
        case kPsDashDotDot:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        case kPsUserStyle: {
            QList<qreal> pattern;
            for (qreal d : p.dashes)
                pattern << std::clamp(d * xScale / width, 0.1, 1000.0);
            if (pattern.size() % 2)
                pattern << pattern.last();
            if (pattern.size() >= 2 && pattern.size() <= 32)
                pen.setDashPattern(pattern);
            break;
        }
        default:
            break;
        }
    }
    return pen;
}

QBrush Canvas::targetBrush(const Brush& b)
{
    if (state_->rop2 == 11)
        return Qt::NoBrush;
    switch (b.style) {
    case kBsNull:
        return Qt::NoBrush;
    case kBsHatched:
        return QBrush(b.color, hatchStyle(b.hatch));
    case kBsPattern:
    case kBsDibPattern:
    case kBsDibPatternPt:
        if (!b.pattern.isNull()) {
            QBrush brush(b.pattern);
            brush.setTransform(QTransform::fromScale(hairline_, hairline_));
            return brush;
        }
        return QBrush(b.color);
    default:
        return QBrush(state_->rop2 == 1    ? QColor(Qt::black)
                      : state_->rop2 == 16 ? QColor(Qt::white)
                                           : b.color);
    }
}

void Canvas::applyClip()
{
    if (!painter_ || !clipDirty_)
        return;
    painter_->setTransform(base_);
    painter_->setClipPath(baseClip_, Qt::ReplaceClip);
    if (state_->clipped)
        painter_->setClipPath(deviceToTarget_.map(state_->clip), Qt::IntersectClip);
    clipDirty_ = false;
}

QPainterPath Canvas::logicalRectPathInDevice(const QRectF& r) const
{
    QPainterPath p;
    p.addPolygon(logicalToDevice().map(QPolygonF(r.normalized())));
    p.closeSubpath();
    return p;
}

QPainterPath Canvas::regionInDevice(const Region& region) const
{
    return region.deviceUnits ? region.path : logicalToDevice().map(region.path);
}

void Canvas::combineClip(const QPainterPath& device, int mode)
{
    State& s = *state_;
    const QRectF everything = deviceFrame_.adjusted(-deviceFrame_.width() * 4, -deviceFrame_.height() * 4,
                                                    deviceFrame_.width() * 4, deviceFrame_.height() * 4);
    QPainterPath all;
    all.addRect(everything);
    const QPainterPath current = s.clipped ? s.clip : all;
    QPainterPath result;
    switch (mode) {
    case kRgnAnd:
        result = current.intersected(device);
        break;
    case kRgnOr:
        result = current.united(device);
        break;
    case kRgnXor:
        result = current.united(device).subtracted(current.intersected(device));
        break;
    case kRgnDiff:
        result = current.subtracted(device);
        break;
    case kRgnCopy:
        result = device;
        break;
    default:
        return;
    }
    s.clip = result;
    s.clipped = true;
    clipDirty_ = true;
}

void Canvas::intersectClipRect(const QRectF& r)
{
    combineClip(logicalRectPathInDevice(r), kRgnAnd);
}

void Canvas::excludeClipRect(const QRectF& r)
{
    combineClip(logicalRectPathInDevice(r), kRgnDiff);
}

void Canvas::offsetClip(QPointF d)
{
    if (!state_->clipped)
        return;
    const QTransform m = logicalToDevice();
    const QPointF deviceOffset = m.map(d) - m.map(QPointF(0, 0));
    state_->clip.translate(deviceOffset);
    clipDirty_ = true;
}

void Canvas::selectClipRegion(const Region* region, int mode)
{
    if (!region) {
        if (mode == kRgnCopy) {
            state_->clipped = false;
            state_->clip = QPainterPath();
            clipDirty_ = true;
        }
        return;
    }
    combineClip(regionInDevice(*region), mode);
}

void Canvas::setMetaRegion()
{
    // The meta region only matters to a program recording the file again.
}

// ---- drawing

void Canvas::measureLogical(const QRectF& logicalBounds, qreal penWidth)
{
    QRectF b = logicalToDevice().mapRect(logicalBounds);
    const qreal pad = penWidth * vectorLength(logicalToDevice(), {1, 0}) / 2;
    b.adjust(-pad, -pad, pad, pad);
    if (!reasonable(b))
        return;
    measured_ = measured_.isNull() ? b : measured_.united(b);
}

void Canvas::appendToPath(const QPainterPath& logical, bool connect)
{
    const QPainterPath device = logicalToDevice().map(logical);
    if (connect && pathOpen_ && !path_.isEmpty())
        path_.connectPath(device);
    else
        path_.addPath(device);
    pathOpen_ = true;
}

void Canvas::drawTargetPath(const QPainterPath& target, bool stroke, bool fill)
{
    const QRectF bounds = target.controlPointRect();
    if (!reasonable(bounds)) {
        skipped(u"坐标超出范围"_s);
        return;
    }
    applyClip();
    painter_->setTransform(base_);
    const State& s = *state_;
    QPen pen = stroke ? targetPen(&target) : QPen(Qt::NoPen);
    QBrush brush = fill ? targetBrush(s.brush) : QBrush(Qt::NoBrush);
    if (brush.style() >= Qt::HorPattern && brush.style() <= Qt::DiagCrossPattern && s.bkMode == kOpaque)
        painter_->fillPath(target, s.bkColor);
    antialias(target.elementCount());
    painter_->setPen(pen);
    painter_->setBrush(brush);
    painter_->drawPath(target);
}

void Canvas::drawPath(const QPainterPath& logical, bool stroke, bool fill)
{
    if (exhausted_ || !spend(logical.elementCount()))
        return;
    if (inPath_) {
        appendToPath(logical, false);
        return;
    }
    if (!drawing()) {
        measureLogical(logical.controlPointRect(), stroke ? state_->pen.width : 0);
        return;
    }
    QPainterPath p = toTarget().map(logical);
    p.setFillRule(state_->polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
    drawTargetPath(p, stroke, fill);
}

QPointF Canvas::currentPosition() const
{
    return state_->position;
}

void Canvas::moveTo(QPointF p)
{
    state_->position = p;
    if (inPath_)
        pathOpen_ = false;
}

void Canvas::lineTo(QPointF p)
{
    polylineTo(QPolygonF{p});
}

void Canvas::polyline(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    if (inPath_) {
        QPainterPath path;
        path.addPolygon(points);
        appendToPath(path, false);
        return;
    }
    if (exhausted_ || !spend(points.size()))
        return;
    if (!drawing()) {
        measureLogical(points.boundingRect(), state_->pen.width);
        return;
    }
    const QPolygonF t = toTarget().map(points);
    const QRectF bounds = t.boundingRect();
    if (!reasonable(bounds)) {
        skipped(u"坐标超出范围"_s);
        return;
    }
    applyClip();
    painter_->setTransform(base_);
    QPainterPath hint;
    hint.addRect(bounds);
    // Lines along the axes (grids, axes, ticks) are drawn crisp, as GDI
    // draws them, and twice as fast; slanted ones smooth.
    bool straight = true;
    for (qsizetype i = 1; i < t.size() && straight; ++i)
        straight = t[i].x() == t[i - 1].x() || t[i].y() == t[i - 1].y();
    antialias(straight ? kMaxAntialiasedVertices + 1 : t.size());
    painter_->setPen(targetPen(&hint));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPolyline(t);
}

void Canvas::polylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    QPolygonF all;
    all.reserve(points.size() + 1);
    all << currentPosition() << points;
    state_->position = points.last();
    if (inPath_) {
        QPainterPath path;
        path.moveTo(all.first());
        for (int i = 1; i < all.size(); ++i)
            path.lineTo(all[i]);
        appendToPath(path, true);
        return;
    }
    polyline(all);
}

void Canvas::polygon(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    if (inPath_) {
        QPainterPath path;
        path.addPolygon(points);
        path.closeSubpath();
        appendToPath(path, false);
        return;
    }
    if (exhausted_ || !spend(points.size()))
        return;
    if (!drawing()) {
        measureLogical(points.boundingRect(), state_->pen.width);
        return;
    }
    const QPolygonF t = toTarget().map(points);
    const QRectF bounds = t.boundingRect();
    if (!reasonable(bounds)) {
        skipped(u"坐标超出范围"_s);
        return;
    }
    applyClip();
    painter_->setTransform(base_);
    const State& s = *state_;
    QPainterPath hint;
    hint.addRect(bounds);
    antialias(t.size());
    const QBrush brush = targetBrush(s.brush);
    if (brush.style() >= Qt::HorPattern && brush.style() <= Qt::DiagCrossPattern && s.bkMode == kOpaque) {
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(s.bkColor);
        painter_->drawPolygon(t, s.polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
    }
    painter_->setPen(targetPen(&hint));
    painter_->setBrush(brush);
    painter_->drawPolygon(t, s.polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
}

void Canvas::polyPolygon(const QList<QPolygonF>& polygons)
{
    QPainterPath path;
    for (const QPolygonF& p : polygons) {
        if (p.size() < 2)
            continue;
        path.addPolygon(p);
        path.closeSubpath();
    }
    drawPath(path, true, true);
}

void Canvas::polyPolyline(const QList<QPolygonF>& polylines)
{
    QPainterPath path;
    for (const QPolygonF& p : polylines) {
        if (p.size() < 2)
            continue;
        path.addPolygon(p);
    }
    drawPath(path, true, false);
}

void Canvas::polyBezier(const QPolygonF& points)
{
    if (points.size() < 4)
        return;
    QPainterPath path(points.first());
    for (int i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (inPath_) {
        appendToPath(path, false);
        return;
    }
    drawPath(path, true, false);
}

void Canvas::polyBezierTo(const QPolygonF& points)
{
    if (points.size() < 3)
        return;
    QPainterPath path(currentPosition());
    int i = 0;
    for (; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    state_->position = points[i - 1];
    if (inPath_) {
        appendToPath(path, true);
        return;
    }
    drawPath(path, true, false);
}

void Canvas::polyDraw(const QPolygonF& points, const QByteArray& types)
{
    QPainterPath path(currentPosition());
    QPointF position = currentPosition();
    for (int i = 0; i < points.size() && i < types.size(); ++i) {
        const int type = quint8(types[i]) & ~1;
        if (type == 6) {
            path.moveTo(points[i]);
        } else if (type == 2) {
            path.lineTo(points[i]);
        } else if (type == 4 && i + 2 < points.size()) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        }
        position = points[std::min<qsizetype>(i, points.size() - 1)];
        if (quint8(types[std::min<qsizetype>(i, types.size() - 1)]) & 1)
            path.closeSubpath();
    }
    state_->position = position;
    if (inPath_) {
        appendToPath(path, true);
        return;
    }
    drawPath(path, true, false);
}

void Canvas::rectangle(const QRectF& box)
{
    const QRectF r = box.normalized();
    if (!inPath_ && drawing() && !exhausted_ && toTarget().type() <= QTransform::TxScale) {
        if (!spend(4))
            return;
        const QRectF t = toTarget().mapRect(r);
        if (!reasonable(t)) {
            skipped(u"坐标超出范围"_s);
            return;
        }
        QPainterPath p;
        p.addRect(t);
        drawTargetPath(p, true, true);
        return;
    }
    QPainterPath p;
    p.addRect(r);
    drawPath(p, true, true);
}

void Canvas::roundRect(const QRectF& box, QSizeF corner)
{
    QPainterPath p;
    p.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    drawPath(p, true, true);
}

void Canvas::ellipse(const QRectF& box)
{
    QPainterPath p;
    p.addEllipse(box.normalized());
    drawPath(p, true, true);
}

QPainterPath Canvas::arcPath(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end, bool* ok) const
{
    const QRectF box = rawBox.normalized();
    *ok = box.width() > 0 && box.height() > 0;
    QPainterPath p;
    if (!*ok)
        return p;
    const qreal a0 = ellipseAngle(box, start);
    const qreal a1 = ellipseAngle(box, end);
    qreal sweep = a1 - a0;
    if (state_->arcDirection == 2) { // clockwise
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    if (start == end)
        sweep = state_->arcDirection == 2 ? -360 : 360;
    switch (kind) {
    case ArcKind::Pie:
        p.moveTo(box.center());
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
        break;
    case ArcKind::Chord:
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
        break;
    case ArcKind::Arc:
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        break;
    case ArcKind::ArcTo:
        p.moveTo(state_->position);
        p.arcTo(box, a0, sweep);
        break;
    }
    return p;
}

void Canvas::arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end)
{
    bool ok = false;
    const QPainterPath p = arcPath(kind, box, start, end, &ok);
    if (!ok)
        return;
    if (kind == ArcKind::ArcTo) {
        state_->position = p.currentPosition();
        if (inPath_) {
            appendToPath(p, true);
            return;
        }
    }
    drawPath(p, true, kind == ArcKind::Chord || kind == ArcKind::Pie);
}

void Canvas::angleArc(QPointF centre, qreal radius, qreal startDegrees, qreal sweepDegrees)
{
    if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || radius <= 0)
        return;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath p(state_->position);
    p.arcTo(box, startDegrees, std::clamp(sweepDegrees, -3600.0, 3600.0));
    state_->position = p.currentPosition();
    if (inPath_) {
        appendToPath(p, true);
        return;
    }
    drawPath(p, true, false);
}

void Canvas::setPixel(QPointF p, const QColor& c)
{
    if (exhausted_ || !spend(1) || inPath_)
        return;
    if (!drawing()) {
        measureLogical(QRectF(p, QSizeF(1, 1)), 0);
        return;
    }
    const QPointF t = toTarget().map(p);
    if (!reasonable(QRectF(t, QSizeF(1, 1))))
        return;
    applyClip();
    painter_->setTransform(base_);
    painter_->fillRect(QRectF(t, QSizeF(hairline_, hairline_)), c);
}

// ---- text

int Canvas::codePageOfFont() const
{
    switch (state_->font.charset) {
    case 0:
        return 1252;
    case 1: // DEFAULT_CHARSET: the system's code page, and our documents come from Chinese Windows
        return 936;
    case 2:
        return 42; // symbol: the bytes are positions
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 850;
    default:
        return 1252;
    }
}

Canvas::ResolvedFont& Canvas::resolvedFont(const Font& f)
{
    QString key = f.face + u'|' + QString::number(f.weight) + u'|' + QString::number(int(f.italic)) +
                  QString::number(int(f.underline)) + QString::number(int(f.strikeOut)) + u'|' +
                  QString::number(f.pitchAndFamily);
    if (fonts_.size() >= kMaxFonts && !fonts_.contains(key))
        key = fonts_.constBegin().key();
    if (const auto it = fonts_.constFind(key); it != fonts_.constEnd())
        return **it;
    // Finding a font (the first time, loading the machine's font list) is
    // kept across playbacks in this thread, and not counted as drawing time.
    // The cache is never destroyed: fonts must not outlive the application
    // object, which is gone when the program's statics are.
    static thread_local auto* known = new QHash<QString, std::shared_ptr<ResolvedFont>>;
    if (known->size() > 512 && !known->contains(key))
        known->clear();
    std::shared_ptr<ResolvedFont>& r = (*known)[key];
    if (!r) {
        QElapsedTimer finding;
        finding.start();
        r = std::make_shared<ResolvedFont>();
        QFont font;
        font.setFamilies(fallbackFamilies(f.face, f.pitchAndFamily));
        const int family = f.pitchAndFamily & 0xF0;
        font.setStyleHint(family == 0x20   ? QFont::SansSerif
                          : family == 0x30 ? QFont::Monospace
                                           : QFont::Serif);
        font.setPixelSize(int(kFontPixels));
        font.setWeight(QFont::Weight(std::clamp(f.weight <= 0 ? 400 : int(f.weight), 100, 900)));
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strikeOut);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(false);
        const QFontMetricsF metrics(font);
        r->font = font;
        r->raw = QRawFont::fromFont(font);
        r->ascent = metrics.ascent();
        r->descent = metrics.descent();
        r->average = std::max<qreal>(metrics.averageCharWidth(), 1);
        r->encoding = symbolEncodingOf(f.face);
        fontMilliseconds_ += finding.elapsed();
    }
    fonts_.insert(key, r);
    return *r;
}

void Canvas::textOut(QPointF reference, const QString& rawText, const QList<qreal>& dx, int options,
                     const std::optional<QRectF>& rect)
{
    if (exhausted_ || !spend(4, rawText.size()))
        return;
    const State& s = *state_;
    if (options & kEtoGlyphIndex) {
        // Glyph numbers of a font we do not have: nothing sensible to draw.
        skipped(u"按字形编号写出的文字"_s);
        return;
    }
    if (inPath_)
        return; // text outlines in a path: not supported, and never seen in documents
    const bool updateCp = s.textAlign & kTaUpdateCp;
    if (updateCp)
        reference = s.position;

    const QTransform& m = toTarget();
    const qreal sx = vectorLength(m, {1, 0});
    const qreal sy = vectorLength(m, {0, 1});
    if (sx <= 0 || sy <= 0 || !std::isfinite(sx) || !std::isfinite(sy))
        return;
    ResolvedFont& rf = resolvedFont(s.font);

    // The size in painter units: a negative height is the em, a positive one
    // the whole cell.
    qreal em = 0;
    if (s.font.height < 0)
        em = -qreal(s.font.height) * sy;
    else if (s.font.height > 0)
        em = qreal(s.font.height) * sy * kFontPixels / (rf.ascent + rf.descent);
    else
        em = 16 * vectorLength(deviceToTarget_, {0, 1});
    if (!std::isfinite(em) || em <= 0)
        return;
    const qreal k = em / kFontPixels;
    qreal stretch = 1;
    if (s.font.width != 0)
        stretch = std::clamp(std::abs(qreal(s.font.width)) * sx / (rf.average * k), 0.05, 20.0);
    const qreal kx = k * stretch;

    // Characters, mapped from the symbol fonts, with their advances in font units.
    QString text = rawText;
    if (rf.encoding != SymbolEncoding::None) {
        // Positions (bytes, or Word's U+F0xx) become the characters they
        // show; a character given as itself stays.
        for (QChar& c : text) {
            const char16_t u = c.unicode();
            if (u < 0x100 || (u >= 0xF000 && u <= 0xF0FF))
                c = QChar(mapSymbolChar(rf.encoding, u));
        }
    }
    const QFontMetricsF metrics(rf.font);
    QList<qreal> advances; // font units
    advances.reserve(text.size());
    qreal total = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qreal a = 0;
        if (i < dx.size())
            a = dx[i] * sx / kx;
        else if (dx.isEmpty())
            a = metrics.horizontalAdvance(text[i]) + s.charExtra * sx / kx;
        advances << a;
        total += a;
    }
    if (!dx.isEmpty() && dx.size() < text.size())
        total = std::accumulate(advances.cbegin(), advances.cend(), 0.0);

    const QPointF origin = m.map(reference);
    if (!reasonable(QRectF(origin, QSizeF(1, 1))) || em > kFarAway)
        return;
    if (!drawing()) {
        const qreal w = total * kx;
        measured_ = measured_.united(
            deviceToTarget_.inverted().mapRect(QRectF(origin.x(), origin.y() - em, w, em * 1.3)));
        return;
    }

    qreal x0 = 0;
    switch (s.textAlign & 6) {
    case kTaRight:
        x0 = -total;
        break;
    case kTaCenter:
        x0 = -total / 2;
        break;
    default:
        break;
    }
    qreal y0 = rf.ascent; // TA_TOP
    if ((s.textAlign & kTaBaseline) == kTaBaseline)
        y0 = 0;
    else if (s.textAlign & kTaBottom)
        y0 = -rf.descent;

    applyClip();
    if (rect && (options & kEtoOpaque)) {
        painter_->setTransform(base_);
        QPainterPath box;
        box.addPolygon(m.map(QPolygonF(rect->normalized())));
        painter_->fillPath(box, s.bkColor);
    }
    const bool clipped = rect && (options & kEtoClipped);
    if (clipped) {
        painter_->save();
        painter_->setTransform(base_);
        QPainterPath box;
        box.addPolygon(m.map(QPolygonF(rect->normalized())));
        painter_->setClipPath(box, Qt::IntersectClip);
    }

    QTransform local;
    local.translate(origin.x(), origin.y());
    if (s.font.escapement != 0)
        local.rotate(-qreal(s.font.escapement) / 10);
    local.scale(kx, k);
    painter_->setTransform(local * base_);
    if (s.bkMode == kOpaque && total > 0)
        painter_->fillRect(QRectF(x0, y0 - rf.ascent, total, rf.ascent + rf.descent), s.bkColor);
    painter_->setFont(rf.font);
    painter_->setPen(s.textColor);
    if (dx.isEmpty()) {
        if (!text.isEmpty())
            painter_->drawText(QPointF(x0, y0), text);
    } else {
        // Each character at its advance: as glyphs of the font's main face
        // where it has them (no layout needed), the others through the
        // fonts that have them.
        QList<quint32> glyphs;
        QList<QPointF> positions;
        glyphs.reserve(text.size());
        positions.reserve(text.size());
        qreal x = x0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            const int units = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const qreal advance = units == 2 ? advances[i] + advances[i + 1] : advances[i];
            if (c.unicode() > 0x20 && !c.isNull()) {
                quint32 glyph = 0;
                int count = 1;
                if (units == 1 && rf.raw.isValid())
                    rf.raw.glyphIndexesForChars(&c, 1, &glyph, &count);
                if (glyph) {
                    glyphs << glyph;
                    positions << QPointF(x, y0);
                } else {
                    painter_->drawText(QPointF(x, y0), text.mid(i, units));
                }
            }
            x += advance;
            i += units - 1;
        }
        if (!glyphs.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(rf.raw);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            run.setUnderline(s.font.underline);
            run.setStrikeOut(s.font.strikeOut);
            painter_->drawGlyphRun(QPointF(0, 0), run);
        }
    }
    if (clipped)
        painter_->restore();
    painter_->setTransform(base_);
    if (updateCp) {
        // Back into logical units along the baseline.
        state_->position = reference + QPointF(total * kx / sx * (s.textAlign & kTaRight ? 0 : 1), 0);
    }
}

// ---- bitmaps

void Canvas::image(const QRectF& dest, const QImage& source, const QRectF& sourceRect, quint32 rop)
{
    if (inPath_ || exhausted_)
        return;
    const qint64 pixels = qint64(source.width()) * source.height();
    if (!spend(4, 0, pixels))
        return;
    if (!drawing()) {
        measureLogical(dest.normalized(), 0);
        return;
    }
    const QTransform& m = toTarget();
    const QRectF t = m.mapRect(dest.normalized());
    if (!reasonable(t) || t.isEmpty())
        return;
    QImage img = source;
    if (dest.width() < 0 || dest.height() < 0)
        img = img.mirrored(dest.width() < 0, dest.height() < 0);
    QRectF src = sourceRect.isValid() ? sourceRect : QRectF(img.rect());
    if (dest.width() < 0)
        src.moveLeft(img.width() - src.right());
    if (dest.height() < 0)
        src.moveTop(img.height() - src.bottom());
    applyClip();
    painter_->save();
    painter_->setTransform(m * base_);
    const quint32 op = rop >> 16;
    const bool raster = useRaster();
    if (op == 0x88) { // SRCAND: the mask of a transparent picture
        if (!raster) {
            painter_->restore();
            return;
        }
        painter_->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    } else if (op == 0xEE && raster) { // SRCPAINT
        painter_->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    } else if (op == 0x66 && raster) { // SRCINVERT
        painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    } else if (op == 0x33) { // NOTSRCCOPY
        img.invertPixels();
    }
    painter_->drawImage(dest.normalized(), img, src);
    painter_->restore();
}

void Canvas::patBlt(const QRectF& dest, quint32 rop)
{
    if (inPath_ || exhausted_ || !spend(4))
        return;
    if (!drawing()) {
        measureLogical(dest.normalized(), 0);
        return;
    }
    const quint32 op = rop >> 16;
    QBrush brush;
    switch (op) {
    case 0x00: // BLACKNESS
        brush = QBrush(Qt::black);
        break;
    case 0xFF: // WHITENESS
        brush = QBrush(Qt::white);
        break;
    case 0xF0: // PATCOPY
    case 0x5A: // PATINVERT, drawn as a copy
        brush = targetBrush(state_->brush);
        break;
    case 0xAA: // DSTCOPY
        return;
    default:
        brush = targetBrush(state_->brush);
        break;
    }
    QPainterPath p;
    p.addPolygon(toTarget().map(QPolygonF(dest.normalized())));
    if (!reasonable(p.controlPointRect()))
        return;
    applyClip();
    painter_->setTransform(base_);
    if (op == 0x55) { // DSTINVERT
        if (!useRaster())
            return;
        painter_->save();
        painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
        painter_->fillPath(p, Qt::black);
        painter_->restore();
        return;
    }
    painter_->fillPath(p, brush);
}

void Canvas::gradientRect(const QRectF& box, const QColor& from, const QColor& to, bool vertical)
{
    if (inPath_ || exhausted_ || !spend(4))
        return;
    if (!drawing()) {
        measureLogical(box.normalized(), 0);
        return;
    }
    const QTransform& m = toTarget();
    QPainterPath p;
    p.addPolygon(m.map(QPolygonF(box)));
    if (!reasonable(p.controlPointRect()))
        return;
    QLinearGradient g(m.map(box.topLeft()), m.map(vertical ? box.bottomLeft() : box.topRight()));
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    applyClip();
    painter_->setTransform(base_);
    painter_->fillPath(p, g);
}

void Canvas::gradientTriangle(const QPolygonF& triangle, const QColor& colour)
{
    if (inPath_ || exhausted_ || !spend(3))
        return;
    if (!drawing()) {
        measureLogical(triangle.boundingRect(), 0);
        return;
    }
    QPainterPath p;
    p.addPolygon(toTarget().map(triangle));
    if (!reasonable(p.controlPointRect()))
        return;
    applyClip();
    painter_->setTransform(base_);
    painter_->fillPath(p, colour);
}

// ---- regions

void Canvas::fillRegion(const Region& region, const Brush& brush)
{
    if (inPath_ || exhausted_ || !spend(region.path.elementCount()))
        return;
    const QPainterPath device = regionInDevice(region);
    if (!drawing()) {
        const QRectF b = device.controlPointRect();
        if (reasonable(b))
            measured_ = measured_.united(b);
        return;
    }
    const QPainterPath t = deviceToTarget_.map(device);
    if (!reasonable(t.controlPointRect()))
        return;
    applyClip();
    painter_->setTransform(base_);
    painter_->fillPath(t, targetBrush(brush));
}

void Canvas::frameRegion(const Region& region, const Brush& brush, QSizeF stroke)
{
    if (inPath_ || exhausted_ || !spend(region.path.elementCount()))
        return;
    if (!drawing())
        return;
    const QPainterPath t = deviceToTarget_.map(regionInDevice(region));
    if (!reasonable(t.controlPointRect()))
        return;
    const qreal w = std::max(hairline_, std::abs(stroke.width()) * vectorLength(toTarget(), {1, 0}));
    applyClip();
    painter_->setTransform(base_);
    QPainterPathStroker stroker;
    stroker.setWidth(std::min(w, QLineF(target_.topLeft(), target_.bottomRight()).length()));
    painter_->fillPath(stroker.createStroke(t).intersected(t), targetBrush(brush));
}

void Canvas::invertRegion(const Region& region)
{
    if (!drawing() || !useRaster() || inPath_ || exhausted_ || !spend(region.path.elementCount()))
        return;
    const QPainterPath t = deviceToTarget_.map(regionInDevice(region));
    if (!reasonable(t.controlPointRect()))
        return;
    applyClip();
    painter_->setTransform(base_);
    painter_->save();
    painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_->fillPath(t, Qt::black);
    painter_->restore();
}

// ---- paths

void Canvas::beginPath()
{
    inPath_ = true;
    pathOpen_ = false;
    path_ = QPainterPath();
    path_.moveTo(logicalToDevice().map(state_->position));
}

void Canvas::endPath()
{
    inPath_ = false;
}

void Canvas::abortPath()
{
    inPath_ = false;
    path_ = QPainterPath();
}

void Canvas::closeFigure()
{
    if (inPath_)
        path_.closeSubpath();
    pathOpen_ = false;
}

void Canvas::fillPath()
{
    inPath_ = false;
    if (path_.isEmpty() || exhausted_ || !spend(path_.elementCount()))
        return;
    if (!drawing()) {
        measured_ = measured_.united(path_.controlPointRect());
        path_ = QPainterPath();
        return;
    }
    QPainterPath t = deviceToTarget_.map(path_);
    t.setFillRule(state_->polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
    drawTargetPath(t, false, true);
    path_ = QPainterPath();
}

void Canvas::strokePath()
{
    inPath_ = false;
    if (path_.isEmpty() || exhausted_ || !spend(path_.elementCount()))
        return;
    if (!drawing()) {
        measured_ = measured_.united(path_.controlPointRect());
        path_ = QPainterPath();
        return;
    }
    drawTargetPath(deviceToTarget_.map(path_), true, false);
    path_ = QPainterPath();
}

void Canvas::strokeAndFillPath()
{
    inPath_ = false;
    if (path_.isEmpty() || exhausted_ || !spend(path_.elementCount()))
        return;
    if (!drawing()) {
        measured_ = measured_.united(path_.controlPointRect());
        path_ = QPainterPath();
        return;
    }
    QPainterPath t = deviceToTarget_.map(path_);
    t.setFillRule(state_->polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
    drawTargetPath(t, true, true);
    path_ = QPainterPath();
}

void Canvas::flattenPath()
{
    if (path_.isEmpty())
        return;
    QPainterPath flat;
    for (const QPolygonF& p : path_.toSubpathPolygons())
        flat.addPolygon(p);
    path_ = flat;
}

void Canvas::widenPath()
{
    if (path_.isEmpty())
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(std::max<qreal>(1, state_->pen.width * vectorLength(logicalToDevice(), {1, 0})));
    path_ = stroker.createStroke(path_);
}

void Canvas::selectClipPath(int mode)
{
    inPath_ = false;
    if (path_.isEmpty())
        return;
    combineClip(path_, mode);
    path_ = QPainterPath();
}

} // namespace metafile::detail

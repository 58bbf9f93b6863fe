#pragma once

// The device context a metafile draws on: the graphics state GDI keeps for
// WMF and EMF records (objects, colours, modes, the window and viewport
// mapping, the world transform, paths, clipping, the save stack) and the
// drawing operations, carried out through a QPainter in the painter's own
// coordinates. The WMF and EMF players only decode records and call it.
//
// Coordinates: "logical" are the record's own; "device" are the frame's units
// (WMF: the placeable bounding box or first window; EMF: reference-device
// pixels); "target" are the painter's, where the frame fills the target rect.

#include "metafile/Metafile.h"
#include "metafile/SymbolFonts.h"

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <memory>
#include <optional>
#include <variant>
#include <vector>

class QPainter;

namespace metafile::detail {

enum class Dialect { Wmf, Emf };

// GDI constants the players and the canvas share.
enum : int {
    kPsSolid = 0,
    kPsDash = 1,
    kPsDot = 2,
    kPsDashDot = 3,
    kPsDashDotDot = 4,
    kPsNull = 5,
    kPsInsideFrame = 6,
    kPsUserStyle = 7,
    kBsSolid = 0,
    kBsNull = 1,
    kBsHatched = 2,
    kBsPattern = 3,
    kBsDibPattern = 5,
    kBsDibPatternPt = 6,
    kTransparent = 1,
    kOpaque = 2,
    kAlternate = 1,
    kWinding = 2,
    kMmText = 1,
    kMmIsotropic = 7,
    kMmAnisotropic = 8,
    kTaUpdateCp = 1,
    kTaRight = 2,
    kTaCenter = 6,
    kTaBottom = 8,
    kTaBaseline = 24,
    kEtoOpaque = 0x2,
    kEtoClipped = 0x4,
    kEtoGlyphIndex = 0x10,
    kEtoPdy = 0x2000,
    kRgnAnd = 1,
    kRgnOr = 2,
    kRgnXor = 3,
    kRgnDiff = 4,
    kRgnCopy = 5,
};

struct Pen
{
    int style = kPsSolid; // the whole style word: line style, end cap, join, geometric
    qreal width = 0;      // logical units; 0: one reference pixel
    QColor color = Qt::black;
    QList<qreal> dashes; // PS_USERSTYLE lengths in logical units
};

struct Brush
{
    int style = kBsSolid;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern; // BS_PATTERN, BS_DIBPATTERN
};

struct Font
{
    QString face;
    qint32 height = 0; // logical units; negative: the character height, positive: the cell height
    qint32 width = 0;
    qint32 escapement = 0; // tenths of a degree, counterclockwise
    qint32 weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = 1;
    quint8 pitchAndFamily = 0;
};

// A region: in logical units when made by a WMF record, in device units when
// an EMF record carries it.
struct Region
{
    QPainterPath path;
    bool deviceUnits = false;
};

struct Palette
{
    QList<QColor> colors;
};

using GdiObject = std::variant<std::monostate, Pen, Brush, Font, Region, Palette>;

// What one playback may spend: far more than any real picture needs, so that
// a damaged or hostile file stops instead of keeping the program busy.
struct Budget
{
    qint64 points = 4'000'000;         // vertices of lines, polygons and curves
    qint64 characters = 1'000'000;     // characters of text
    qint64 bitmapPixels = 256'000'000; // source pixels of bitmaps drawn
    qint64 operations = 1'000'000;     // drawing operations
};

class Canvas
{
public:
    // `painter` null: nothing is drawn, the bounds of what would be are
    // gathered instead (measuredBounds(), in device units).
    Canvas(QPainter* painter, Dialect dialect, const QRectF& deviceFrame, const QRectF& target,
           qreal hairline, QSizeF devicePixelsPerMm = {96 / 25.4, 96 / 25.4});
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The budget ran out; the players stop.
    bool exhausted() const { return exhausted_; }
    QRectF measuredBounds() const { return measured_; }
    // Counts an unsupported or skipped record for the report.
    void skipped(const QString& what);
    int skippedCount() const { return skippedCount_; }
    const QString& firstSkipped() const { return firstSkipped_; }

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrg(QPointF p);
    void setWindowExt(QSizeF s);
    void setViewportOrg(QPointF p);
    void setViewportExt(QSizeF s);
    void offsetWindowOrg(QPointF d);
    void offsetViewportOrg(QPointF d);
    void scaleWindowExt(qreal xNum, qreal xDenom, qreal yNum, qreal yDenom);
    void scaleViewportExt(qreal xNum, qreal xDenom, qreal yNum, qreal yDenom);
    void setWorldTransform(const QTransform& t);
    // mode: 1 identity, 2 left multiply, 3 right multiply, 4 set
    void modifyWorldTransform(const QTransform& t, int mode);

    // State.
    void saveDc();
    void restoreDc(int which);
    void setBkMode(int mode);
    void setBkColor(const QColor& c);
    void setTextColor(const QColor& c);
    void setTextAlign(int align);
    void setPolyFillMode(int mode);
    void setRop2(int rop);
    void setArcDirection(int direction);
    void setTextCharExtra(qreal extra);
    void setMiterLimit(qreal limit);

    // Objects: WMF puts a new object in the lowest free slot, EMF names it.
    int createObject(GdiObject object); // WMF; -1 when the table is full
    void createObjectAt(quint32 index, GdiObject object);
    void selectObject(quint32 index);
    void selectStockObject(quint32 index);
    void deleteObject(quint32 index);
    const GdiObject* object(quint32 index) const;
    void setObjectTableSize(int size);

    // Drawing, in logical coordinates.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const QList<QPolygonF>& polygons);
    void polyPolyline(const QList<QPolygonF>& polylines);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    // PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4, | PT_CLOSEFIGURE 1
    void polyDraw(const QPolygonF& points, const QByteArray& types);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    enum class ArcKind { Arc, Chord, Pie, ArcTo };
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void angleArc(QPointF centre, qreal radius, qreal startDegrees, qreal sweepDegrees);
    void setPixel(QPointF p, const QColor& c);

    // Text: `dx` the advance of each character in logical units (empty: the
    // font's own), `rect` the ETO_OPAQUE / ETO_CLIPPED rectangle.
    void textOut(QPointF reference, const QString& text, const QList<qreal>& dx, int options,
                 const std::optional<QRectF>& rect);
    // The code page for 8-bit text in the selected font.
    int codePageOfFont() const;
    const Font& currentFont() const;

    // Bitmaps. `dest` in logical units; a negative width or height mirrors.
    void image(const QRectF& dest, const QImage& image, const QRectF& source, quint32 rop);
    void patBlt(const QRectF& dest, quint32 rop);
    void gradientRect(const QRectF& box, const QColor& from, const QColor& to, bool vertical);
    void gradientTriangle(const QPolygonF& triangle, const QColor& colour);

    // Regions.
    void fillRegion(const Region& region, const Brush& brush);
    void frameRegion(const Region& region, const Brush& brush, QSizeF stroke);
    void invertRegion(const Region& region);
    void selectClipRegion(const Region* region, int mode);
    void intersectClipRect(const QRectF& r);
    void excludeClipRect(const QRectF& r);
    void offsetClip(QPointF d);
    void setMetaRegion();

    // Paths (EMF).
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void flattenPath();
    void widenPath();
    void selectClipPath(int mode);

    // The selected objects (for region records that name a brush by slot).
    const Brush& currentBrush() const;

private:
    struct State;
    struct ResolvedFont;

    QTransform logicalToDevice() const;
    const QTransform& toTarget();
    void mappingChanged();
    QPointF currentPosition() const;
    bool spend(qint64 points, qint64 characters = 0, qint64 pixels = 0);
    bool drawing() const;
    void applyClip();
    QPen targetPen(const QPainterPath* boundsHint = nullptr);
    QBrush targetBrush(const Brush& b);
    void drawPath(const QPainterPath& logical, bool stroke, bool fill);
    void drawTargetPath(const QPainterPath& target, bool stroke, bool fill);
    void antialias(qsizetype vertices);
    void appendToPath(const QPainterPath& logical, bool connect);
    void measureLogical(const QRectF& logicalBounds, qreal penWidth);
    QPainterPath arcPath(ArcKind kind, const QRectF& box, QPointF start, QPointF end, bool* ok) const;
    ResolvedFont& resolvedFont(const Font& f);
    QPainterPath logicalRectPathInDevice(const QRectF& r) const;
    QPainterPath regionInDevice(const Region& region) const;
    void combineClip(const QPainterPath& device, int mode);
    bool useRaster() const;

    QPainter* painter_;
    Dialect dialect_;
    QRectF deviceFrame_;
    QRectF target_;
    qreal hairline_;
    qreal deviceScale_ = 1; // device pixels per painter unit
    QSizeF pixelsPerMm_;
    QTransform deviceToTarget_;
    QTransform base_;
    QPainterPath baseClip_;
    std::vector<State> stack_;
    std::vector<GdiObject> objects_;
    QHash<QString, std::shared_ptr<ResolvedFont>> fonts_;
    qint64 fontMilliseconds_ = 0; // spent finding fonts: not counted against the time limit
    Budget budget_;
    QElapsedTimer clock_;
    bool exhausted_ = false;
    QRectF measured_;
    int skippedCount_ = 0;
    QString firstSkipped_;
    bool inPath_ = false;
    bool pathOpen_ = false;
    QPainterPath path_; // device units
    bool clipDirty_ = true;
    bool transformDirty_ = true;
    QTransform toTarget_;
    std::unique_ptr<State> state_;
};

} // namespace metafile::detail

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>

class QPainter;

// Windows metafiles: the vector pictures Word, WPS and MathType put into
// documents (WMF, with or without the placeable header, and EMF), drawn
// through QPainter at any resolution: a screen image, a PDF page, a printer.
namespace metafile {

enum class Format : std::uint8_t { None, Wmf, Emf };

// What a metafile's header says about it.
struct MetafileInfo
{
    Format format = Format::None;
    bool placeable = false; // a WMF with the 22-byte placeable header
    // The picture's frame: in logical units for a WMF (the placeable box, or
    // the first window the records set), in reference-device pixels for an
    // EMF. Empty when a WMF says nothing; the player then measures what it draws.
    QRectF frame;
    // The size the picture wants in points (1/72 inch); empty when the file
    // does not say (a WMF without the placeable header: RTF's \picwgoal and
    // \pichgoal give it).
    QSizeF naturalSize;

    bool isMetafile() const { return format != Format::None; }
};

// Whether `data` is a metafile, and its frame and natural size. Reads the
// header only (for a WMF without placeable header, the records up to the
// first window); cheap enough to call on every picture.
MetafileInfo probe(QByteArrayView data);

// The largest metafile played: records beyond it are not drawn.
constexpr qsizetype kMaxMetafileBytes = 64 * 1024 * 1024;
// A playback stops after this long (a hostile file can make each shape slow
// to draw); real pictures take milliseconds.
constexpr int kMaxPlaybackMilliseconds = 4000;

// How a playback went.
struct PlaybackReport
{
    int records = 0;     // records played
    int unsupported = 0; // records the player does not draw (or could not: a damaged bitmap)
    // The end record was reached within the limits. False for a damaged,
    // truncated or oversized file, which is drawn as far as it is sound.
    bool complete = false;
    QString problem; // the first reason something was left out, for logs; empty when nothing was
};

// Plays a metafile into a painter. Safe with any bytes: a damaged, truncated,
// huge or hostile file is drawn as far as it is sound, within bounded time
// and memory, and never crashes.
class MetafilePlayer
{
public:
    explicit MetafilePlayer(QByteArray data);

    const MetafileInfo& info() const { return info_; }
    bool isValid() const { return info_.isMetafile() && frame_.isValid(); }
    // The frame the picture is drawn from (for a WMF without a frame in its
    // header, what its records draw).
    QRectF frame() const { return frame_; }

    // The natural size of the picture in points, or `fallback` (RTF's
    // \picwgoal, \pichgoal) when the file does not say.
    QSizeF naturalSize(QSizeF fallback = {}) const;
    // Tells the player the size the document gives the picture, in points,
    // when the file does not say: it decides how thick a hairline is.
    void setNaturalSize(QSizeF points) { hintSize_ = points; }

    // Draws the picture so that its frame fills `target` (painter
    // coordinates). The painter's state is as it was afterwards.
    PlaybackReport draw(QPainter& painter, const QRectF& target) const;
    // The picture as an image of `size` pixels on `background`.
    QImage render(QSize size, const QColor& background = Qt::white, PlaybackReport* report = nullptr) const;

private:
    QByteArray data_;
    MetafileInfo info_;
    QRectF frame_;
    QSizeF hintSize_;
};

} // namespace metafile

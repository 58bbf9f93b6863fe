#pragma once

#include "rtf/RtfModel.h"

#include <QImage>
#include <QSize>
#include <QVariant>

class QPainter;
class QRectF;
class QTextDocument;
class QTextImageFormat;
class QUrl;

// Pictures are decoded when they are drawn, at the pixels they cover on the
// device (a screen's pixel ratio, a printer's resolution up to
// kMaxPictureDpi), and kept in one cache for the whole program that holds at
// most kPictureCacheBytes. A document holds its pictures' bytes only, so
// however many and however large its pictures are, reading it costs no more
// than its RTF, and drawing it no more than the cache and the picture at hand.
namespace rtf {

// More than a printed picture needs; layout units are 1/96 inch.
inline constexpr double kMaxPictureDpi = 300;
inline constexpr qsizetype kPictureCacheBytes = qsizetype(64) << 20;

// The picture behind an image format that has its bytes (read from RTF or
// made by the program): bytes, kind and shown size.
Picture pictureOf(const QTextImageFormat& format);

// The pixels a picture shown in `target` (the painter's coordinates) needs on
// the painter's device: its size there, at most kMaxPictureDpi and never
// larger than the device itself.
QSize devicePixelsFor(const QPainter& painter, const QRectF& target);
// The same on paper: a picture shown `shown` large, printed at kMaxPictureDpi.
QSize printPixelsFor(const QSizeF& shown);

// The picture of `format` at no more than `pixels`, from the cache: the
// document's own image resource when it added one (a formula just typeset, a
// pasted picture), else the format's bytes. Null when there is nothing to
// show or it cannot be decoded.
QImage pictureImage(const QTextDocument* doc, const QTextImageFormat& format, QSize pixels);

// Draws the picture of `format` in `target` at the device's resolution, or a
// framed box with a cross when its bytes cannot be decoded. False, drawing
// nothing, when the format has neither bytes nor an image resource (a
// picture Qt loads by its name).
bool drawPicture(QPainter& painter, const QRectF& target, const QTextDocument* doc,
                 const QTextImageFormat& format);

// Makes QTextDocument::resource() give each picture read from RTF, decoded
// whole, for code that asks a document for a picture's pixels; nothing is
// kept. Set once per document (the RTF reader does it).
void providePictures(QTextDocument* doc);
// The resource a document was given with addResource(), without decoding
// pictures through the provider above.
QVariant addedResource(const QTextDocument* doc, const QUrl& name);

} // namespace rtf

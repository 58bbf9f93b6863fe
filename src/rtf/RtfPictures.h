#pragma once

#include "rtf/RtfModel.h"

#include <QImage>
#include <QTextFormat>

#include <optional>

namespace rtf {

// Properties of a QTextImageFormat made from an RTF picture. They keep the
// picture's bytes and control words, so that the writer gives back exactly
// what was read (a metafile or an OLE object's picture cannot be re-encoded).
enum PictureProperty {
    PictureData = QTextFormat::UserProperty + 0x5254, // QByteArray: the picture bytes
    PictureControls,                                  // QByteArray: e.g. "\picw10\pich10\pngblip"
    PictureReadSize,                                  // QSizeF: the shown size when read
    FormulaSource,                                    // QString: a formula's LaTeX source
    FormulaDepth,                                     // qreal: points a formula reaches below the baseline
};

// The resource name of a picture: derived from its bytes, so the same picture
// always gets the same name.
QString pictureResourceName(const QByteArray& data);

// The picture as an image: PNG, JPEG and device-independent bitmaps are
// decoded (also the bitmap inside a metafile that only holds one); anything
// else gives a framed placeholder of the picture's size.
QImage decodePicture(const Picture& picture);

// The picture decoded at no more than `pixels` (each side on its own: the
// picture is drawn stretched to its shown size anyway; never enlarged); null
// when its bytes cannot be decoded. PNG and JPEG are decoded at that size
// directly, so a large photo never exists in memory at full size.
QImage decodePictureAt(const Picture& picture, QSize pixels);

// The size decodePicture() gives, read from the picture's header where it
// has one instead of decoding it.
QSize pictureNaturalSize(const Picture& picture);

// The kind named by a picture's control words ("\\pngblip" and so on).
PictureKind pictureKindOf(const QByteArray& controls);

// A formula's picture is a PNG that carries the formula's LaTeX source (an
// iTXt chunk "tiku-latex", UTF-8) and its depth below the baseline in points
// (a tEXt chunk "tiku-depth"): word processors keep the PNG bytes of a picture
// when they drop what they do not know, so the formula stays editable after
// LibreOffice or Word saved the document again.
//
// The PNG with the source in its chunk (an older source replaced); `png`
// unchanged when it holds that source already or is not a PNG.
QByteArray pngWithFormulaSource(const QByteArray& png, const QString& source);
// The source a PNG carries; empty when it carries none.
QString formulaSourceFromPng(const QByteArray& png);
// The same for the depth.
QByteArray pngWithFormulaDepth(const QByteArray& png, qreal depth);
std::optional<qreal> formulaDepthFromPng(const QByteArray& png);
// The size in pixels given by a PNG's header; empty when `png` is not a PNG.
QSize pngSize(const QByteArray& png);

} // namespace rtf

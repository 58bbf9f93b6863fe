#pragma once

#include "rtf/RtfModel.h"

#include <QImage>
#include <QTextFormat>

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

} // namespace rtf

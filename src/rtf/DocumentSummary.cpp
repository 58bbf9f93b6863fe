#include "rtf/DocumentSummary.h"

#include "metafile/Mtef.h"
#include "rtf/RtfPictures.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

using namespace Qt::StringLiterals;

namespace rtf {

namespace {

QString kindName(const QTextImageFormat& image)
{
    if (!image.hasProperty(PictureData))
        return u"other"_s;
    switch (pictureKindOf(image.property(PictureControls).toByteArray())) {
    case PictureKind::Png:
        return u"png"_s;
    case PictureKind::Jpeg:
        return u"jpeg"_s;
    case PictureKind::Emf:
        return u"emf"_s;
    case PictureKind::Wmf:
        return u"wmf"_s;
    case PictureKind::Dib:
        return u"dib"_s;
    case PictureKind::Ddb:
        return u"bitmap"_s;
    case PictureKind::Other:
        break;
    }
    return u"other"_s;
}

} // namespace

int DocumentSummary::pictures() const
{
    int n = 0;
    for (const int count : picturesByKind)
        n += count;
    return n;
}

DocumentSummary summarize(const QTextDocument& doc)
{
    DocumentSummary s;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        ++s.paragraphs;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            if (!f.isImageFormat())
                continue;
            const QTextImageFormat image = f.toImageFormat();
            // A fragment holds as many pictures as characters.
            const int count = fragment.length();
            s.picturesByKind[kindName(image)] += count;
            if (!metafile::isEquationClass(image.property(ObjectClass).toString()))
                continue;
            for (int i = 0; i < count; ++i) {
                ++s.equations;
                if (!image.property(FormulaSource).toString().isEmpty()) {
                    ++s.converted;
                    continue;
                }
                QString construct = image.property(FormulaNotConverted).toString();
                if (construct.isEmpty())
                    construct = u"空公式"_s;
                s.unconverted.append({s.equations, s.paragraphs, construct});
            }
        }
    }
    return s;
}

} // namespace rtf

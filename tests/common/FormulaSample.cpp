#include "common/FormulaSample.h"

#include "rtf/RtfPictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace formulasample {

QTextImageFormat format(QTextDocument* doc, const QString& source, QSizeF display, qreal depth)
{
    const QByteArray seed = QCryptographicHash::hash(source.toUtf8(), QCryptographicHash::Sha1);
    const int w = qRound(display.width() * 3);
    const int h = qRound(display.height() * 3);
    // Dark strokes on a transparent ground, as the typeset formula is.
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int k = quint8(seed[(x / 6 + y / 6) % seed.size()]);
            if ((x * 7 + y * 3 + k) % 11 < 3)
                image.setPixel(x, y, qRgba(0, 0, k % 64, 255));
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    const QString name = u"formula:"_s + QString::fromLatin1(seed.toHex());
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(display.width());
    f.setHeight(display.height());
    f.setProperty(rtf::PictureData, png);
    f.setProperty(rtf::FormulaSource, source);
    f.setProperty(rtf::FormulaDepth, depth);
    return f;
}

void insert(QTextCursor& cursor, const QString& source, QSizeF display, qreal depth)
{
    cursor.insertImage(format(cursor.document(), source, display, depth));
}

namespace {

void collect(const QTextFrame* frame, QList<QTextImageFormat>& out)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            collect(child, out);
            continue;
        }
        for (QTextBlock::iterator f = it.currentBlock().begin(); !f.atEnd(); ++f) {
            const QTextCharFormat cf = f.fragment().charFormat();
            if (cf.isImageFormat() && !cf.property(rtf::FormulaSource).toString().isEmpty())
                for (int i = 0; i < f.fragment().length(); ++i)
                    out << cf.toImageFormat();
        }
    }
}

} // namespace

QList<QTextImageFormat> formulas(const QTextDocument& doc)
{
    QList<QTextImageFormat> out;
    collect(doc.rootFrame(), out);
    return out;
}

} // namespace formulasample

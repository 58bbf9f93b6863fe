#include "RichTextSamples.h"

#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

using namespace Qt::StringLiterals;

namespace samples {

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 20 % 256, y * 30 % 256, (x + y) * 7 % 256));
    }
    return image;
}

void insertPicture(QTextCursor& cursor, const QImage& image, const QString& name)
{
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(image.width());
    format.setHeight(image.height());
    cursor.insertImage(format);
}

void insertFormattedRun(QTextCursor& cursor, const QImage& image)
{
    cursor.insertText(u"普通"_s, QTextCharFormat());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(u"粗体"_s, bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    cursor.insertText(u"斜体"_s, italic);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    cursor.insertText(u"红字"_s, red);
    insertPicture(cursor, image, u"sample-picture.png"_s);
    cursor.insertText(u"尾"_s, QTextCharFormat());
}

QTextCharFormat formatAt(const QTextDocument& doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(pos + 1);
    return c.charFormat();
}

QImage pictureAt(const QTextDocument& doc, int pos)
{
    const QTextCharFormat f = formatAt(doc, pos);
    if (!f.isImageFormat())
        return {};
    const QVariant v = doc.resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name()));
    if (v.typeId() == QMetaType::QImage)
        return v.value<QImage>();
    if (v.typeId() == QMetaType::QPixmap)
        return v.value<QPixmap>().toImage();
    if (v.typeId() == QMetaType::QByteArray)
        return QImage::fromData(v.toByteArray());
    return {};
}

bool samePixels(const QImage& a, const QImage& b)
{
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

QString checkFormattedRun(const QTextDocument& doc, int start, const QImage& image)
{
    const QString text = doc.toPlainText().mid(start, 10);
    if (text != u"普通粗体斜体红字\uFFFC尾"_s)
        return u"text is \"%1\""_s.arg(text);
    for (int i : {0, 1, 9}) {
        const QTextCharFormat f = formatAt(doc, start + i);
        if (f.fontWeight() > QFont::Normal || f.fontItalic())
            return u"plain character %1 is bold or italic"_s.arg(i);
    }
    for (int i : {2, 3}) {
        if (formatAt(doc, start + i).fontWeight() < QFont::Bold)
            return u"character %1 is not bold"_s.arg(i);
    }
    for (int i : {4, 5}) {
        if (!formatAt(doc, start + i).fontItalic())
            return u"character %1 is not italic"_s.arg(i);
    }
    for (int i : {6, 7}) {
        const QColor c = formatAt(doc, start + i).foreground().color();
        if (c.rgb() != qRgb(255, 0, 0))
            return u"character %1 has colour %2"_s.arg(i).arg(c.name());
    }
    const QImage got = pictureAt(doc, start + 8);
    if (got.isNull())
        return u"no picture at position 8"_s;
    if (!samePixels(got, image))
        return u"picture differs: %1x%2"_s.arg(got.width()).arg(got.height());
    return {};
}

} // namespace samples

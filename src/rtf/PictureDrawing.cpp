#include "rtf/PictureDrawing.h"

#include "rtf/RtfPictures.h"

#include <QCache>
#include <QMutex>
#include <QPainter>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace rtf {

namespace {

// Layout units are pixels of 1/96 inch, on screen and on paper.
constexpr double kMaxScale = kMaxPictureDpi / 96.0;
// No side of a decoded picture is longer, whatever the device claims.
constexpr int kMaxSide = 16384;

// While set, the provider of providePictures() gives nothing, so that
// QTextDocument::resource() only finds what was added to the document.
thread_local int providerPaused = 0;

// Decoded pictures by source and size, the least recently used going first.
// Null images are kept too (cost 1): a picture that cannot be decoded is not
// tried again at every paint.
class PictureCache
{
public:
    static PictureCache& instance()
    {
        static PictureCache cache;
        return cache;
    }

    std::optional<QImage> find(const QString& key)
    {
        QMutexLocker lock(&mutex_);
        if (const QImage* image = images_.object(key))
            return *image;
        return std::nullopt;
    }

    void insert(const QString& key, const QImage& image)
    {
        QMutexLocker lock(&mutex_);
        // One larger than the whole cache is not kept (QCache drops it).
        images_.insert(key, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes()));
    }

private:
    QMutex mutex_;
    QCache<QString, QImage> images_{kPictureCacheBytes};
};

QSize sizeOf(QSizeF size)
{
    auto side = [](qreal v) { return std::clamp(int(std::ceil(v - 1e-6)), 1, kMaxSide); };
    return QSize(side(size.width()), side(size.height()));
}

QString sizeKey(QSize pixels)
{
    return u"@%1x%2"_s.arg(pixels.width()).arg(pixels.height());
}

// `source` shrunk to `pixels`: every pixel of it counts, so a stroke one
// pixel thin stays visible (drawing it shrunk by the painter samples a few
// of its pixels only). Never enlarged.
QImage shrunk(const QImage& source, qint64 cacheKey, QSize pixels)
{
    const QSize want = source.size().boundedTo(pixels);
    if (want == source.size())
        return source;
    const QString key = u"image:%1"_s.arg(cacheKey) + sizeKey(want);
    if (std::optional<QImage> cached = PictureCache::instance().find(key))
        return *cached;
    const QImage image = source.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    PictureCache::instance().insert(key, image);
    return image;
}

QImage decoded(const QString& key, const Picture& picture, QSize pixels)
{
    if (std::optional<QImage> cached = PictureCache::instance().find(key))
        return *cached;
    const QImage image = decodePictureAt(picture, pixels);
    PictureCache::instance().insert(key, image);
    return image;
}

// The picture of `format` given the resource the document holds for it.
QImage imageFor(const QVariant& added, const QTextImageFormat& format, QSize pixels)
{
    if (pixels.isEmpty())
        return {};
    switch (added.typeId()) {
    case QMetaType::QImage: {
        const QImage image = added.value<QImage>();
        return shrunk(image, image.cacheKey(), pixels);
    }
    case QMetaType::QPixmap: {
        const QPixmap pixmap = added.value<QPixmap>();
        return shrunk(pixmap.toImage(), pixmap.cacheKey(), pixels);
    }
    case QMetaType::QByteArray: {
        Picture picture;
        picture.data = added.toByteArray();
        return decoded(u"bytes:%1:%2"_s.arg(format.name()).arg(picture.data.size()) + sizeKey(pixels),
                       picture, pixels);
    }
    default:
        break;
    }
    const Picture picture = pictureOf(format);
    if (picture.data.isEmpty())
        return {};
    // The names the reader and the formula renderer give are made from the
    // bytes, so the name and the length tell one picture from another.
    return decoded(u"data:%1:%2"_s.arg(format.name()).arg(picture.data.size()) + sizeKey(pixels), picture,
                   pixels);
}

// The framed box with a cross that stands for a picture that cannot be
// shown, drawn with lines: it costs no memory at any size.
void drawBrokenBox(QPainter& painter, const QRectF& target)
{
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 0));
    painter.setBrush(QColor(0xF4, 0xF4, 0xF4));
    painter.drawRect(target);
    painter.drawLine(target.topLeft(), target.bottomRight());
    painter.drawLine(target.bottomLeft(), target.topRight());
}

} // namespace

Picture pictureOf(const QTextImageFormat& format)
{
    Picture picture;
    picture.data = format.property(PictureData).toByteArray();
    picture.controls = format.property(PictureControls).toByteArray();
    picture.kind = pictureKindOf(picture.controls);
    picture.width = format.width();
    picture.height = format.height();
    return picture;
}

QSize devicePixelsFor(const QPainter& painter, const QRectF& target)
{
    QSizeF size = painter.deviceTransform().mapRect(target).size().boundedTo(target.size() * kMaxScale);
    if (const QPaintDevice* device = painter.device()) {
        const qreal ratio = device->devicePixelRatio();
        const QSizeF room(device->width() * ratio, device->height() * ratio);
        if (!room.isEmpty() && (size.width() > room.width() || size.height() > room.height()))
            size = size.scaled(room, Qt::KeepAspectRatio);
    }
    return sizeOf(size);
}

QSize printPixelsFor(const QSizeF& shown)
{
    return sizeOf(shown * kMaxScale);
}

QImage pictureImage(const QTextDocument* doc, const QTextImageFormat& format, QSize pixels)
{
    return imageFor(addedResource(doc, QUrl(format.name())), format, pixels);
}

bool drawPicture(QPainter& painter, const QRectF& target, const QTextDocument* doc,
                 const QTextImageFormat& format)
{
    const QVariant added = addedResource(doc, QUrl(format.name()));
    if (!added.isValid() && format.property(PictureData).toByteArray().isEmpty())
        return false;
    if (target.isEmpty())
        return true;
    const QSize pixels = devicePixelsFor(painter, target);
    const QImage image = imageFor(added, format, pixels);
    painter.save();
    if (image.isNull()) {
        drawBrokenBox(painter, target);
    } else {
        // A picture at the device's pixels is drawn as it is; one with fewer
        // (a small picture shown large) is smoothed rather than blocky.
        if (image.size() != pixels)
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
    }
    painter.restore();
    return true;
}

void providePictures(QTextDocument* doc)
{
    if (!doc || doc->resourceProvider())
        return;
    // The provider belongs to the document, so the document outlives it.
    doc->setResourceProvider([doc](const QUrl& url) -> QVariant {
        if (providerPaused > 0)
            return {};
        const QString name = url.toString();
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (!f.isImageFormat() || !f.hasProperty(PictureData))
                    continue;
                const QTextImageFormat image = f.toImageFormat();
                if (image.name() == name)
                    return decodePicture(pictureOf(image));
            }
        }
        return {};
    });
}

QVariant addedResource(const QTextDocument* doc, const QUrl& name)
{
    if (!doc)
        return {};
    ++providerPaused;
    const QVariant resource = doc->resource(QTextDocument::ImageResource, name);
    --providerPaused;
    return resource;
}

} // namespace rtf

#include "metafile/Metafile.h"

#include "metafile/ByteReader.h"
#include "metafile/Canvas.h"
#include "metafile/Players.h"

#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace metafile {

namespace {

constexpr int kMaxRenderSide = 16384;
constexpr qint64 kMaxRenderPixels = 64LL * 1024 * 1024;

} // namespace

MetafileInfo probe(QByteArrayView data)
{
    MetafileInfo info;
    if (const detail::EmfHeader emf = detail::readEmfHeader(data); emf.ok) {
        info.format = Format::Emf;
        info.frame = emf.frame;
        info.naturalSize = emf.naturalSize;
        return info;
    }
    if (const detail::WmfHeader wmf = detail::readWmfHeader(data); wmf.ok) {
        info.format = Format::Wmf;
        info.placeable = wmf.placeable;
        info.frame = wmf.frame;
        info.naturalSize = wmf.naturalSize;
    }
    return info;
}

MetafilePlayer::MetafilePlayer(QByteArray data) : data_(std::move(data)), info_(probe(data_))
{
    frame_ = info_.frame;
    if (info_.format == Format::Wmf && !detail::usableFrame(frame_)) {
        // Nothing says which part of the plane the picture covers: measure
        // what the records draw.
        const detail::WmfHeader header = detail::readWmfHeader(data_);
        detail::Canvas measure(nullptr, detail::Dialect::Wmf, QRectF(0, 0, 1, 1), QRectF(0, 0, 1, 1), 1);
        PlaybackReport ignored;
        detail::playWmf(data_, header, measure, ignored);
        frame_ = measure.measuredBounds();
    }
    if (!detail::usableFrame(frame_))
        frame_ = QRectF();
}

QSizeF MetafilePlayer::naturalSize(QSizeF fallback) const
{
    if (!info_.naturalSize.isEmpty())
        return info_.naturalSize;
    if (!hintSize_.isEmpty())
        return hintSize_;
    return fallback;
}

PlaybackReport MetafilePlayer::draw(QPainter& painter, const QRectF& target) const
{
    PlaybackReport report;
    if (!isValid()) {
        report.problem = info_.isMetafile() ? u"图片没有可画的内容"_s : u"不是图元文件"_s;
        return report;
    }
    if (!target.isValid() || !painter.isActive())
        return report;
    // A hairline is one pixel of the picture at its natural size on screen,
    // however large it is drawn.
    // never thinner than one pixel of the device.
    const QSizeF natural = naturalSize();
    const qreal devicePixel =
        1 / std::max(1e-6, std::sqrt(std::abs(painter.deviceTransform().determinant())));
    const qreal hairline =
        std::max(natural.width() > 0 ? target.width() / (natural.width() * 96 / 72) : 1.0, devicePixel);

    painter.save();
    if (info_.format == Format::Emf) {
        const detail::EmfHeader header = detail::readEmfHeader(data_);
        detail::Canvas canvas(&painter, detail::Dialect::Emf, frame_, target, hairline, header.pixelsPerMm);
        detail::playEmf(data_, header, canvas, report);
        report.unsupported = canvas.skippedCount();
        if (report.problem.isEmpty())
            report.problem = canvas.firstSkipped();
        if (canvas.exhausted())
            report.complete = false;
    } else {
        const detail::WmfHeader header = detail::readWmfHeader(data_);
        detail::Canvas canvas(&painter, detail::Dialect::Wmf, frame_, target, hairline);
        detail::playWmf(data_, header, canvas, report);
        report.unsupported = canvas.skippedCount();
        if (report.problem.isEmpty())
            report.problem = canvas.firstSkipped();
        if (canvas.exhausted())
            report.complete = false;
    }
    painter.restore();
    return report;
}

QImage MetafilePlayer::render(QSize size, const QColor& background, PlaybackReport* report) const
{
    if (size.isEmpty() || size.width() > kMaxRenderSide || size.height() > kMaxRenderSide ||
        qint64(size.width()) * size.height() > kMaxRenderPixels)
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(background);
    QPainter painter(&image);
    const PlaybackReport r = draw(painter, QRectF(QPointF(0, 0), size));
    painter.end();
    if (report)
        *report = r;
    return image;
}

} // namespace metafile

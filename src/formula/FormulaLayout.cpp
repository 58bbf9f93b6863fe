#include "formula/FormulaLayout.h"

#include "formula/FormulaRenderer.h"
#include "rtf/PictureDrawing.h"
#include "rtf/RtfPictures.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextObjectInterface>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal kPixelsPerPoint = 96.0 / 72.0;

// Where a formula sits in the box the layout gives it.
struct FormulaBox
{
    qreal width = 0;
    qreal height = 0; // the picture's
    qreal ascent = 0; // of the picture, above its baseline
    qreal boxHeight = 0;
    qreal top = 0; // of the picture, from the box's top
};

bool isMiddleFormula(const QTextFormat& format)
{
    return isFormula(format) && format.toCharFormat().verticalAlignment() == QTextCharFormat::AlignMiddle;
}

FormulaBox boxOf(const QTextFormat& format)
{
    const QTextImageFormat image = format.toImageFormat();
    FormulaBox b;
    b.width = image.width();
    b.height = image.height();
    const qreal depth =
        std::clamp(image.property(rtf::FormulaDepth).toReal() * kPixelsPerPoint, 0.0, b.height);
    b.ascent = b.height - depth;
    // Qt's layout gives a middle-aligned object of height H the ascent
    // (H + x/2) / 2 and the descent (H - x/2) / 2, x/2 being half the
    // x-height of the object's font; the smallest H that holds both parts:
    const qreal halfX = QFontMetrics(image.font()).xHeight() / 2.0;
    b.boxHeight = std::max({b.height, 2 * b.ascent - halfX, 2 * depth + halfX});
    const qreal boxAscent = (b.boxHeight + halfX) / 2;
    b.top = boxAscent - b.ascent;
    return b;
}

class FormulaObjectHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    FormulaObjectHandler(QTextObjectInterface* images, QObject* imagesComponent, QObject* parent)
        : QObject(parent), images_(images), imagesComponent_(imagesComponent)
    {
    }

    QSizeF intrinsicSize(QTextDocument* doc, int pos, const QTextFormat& format) override
    {
        if (!isMiddleFormula(format))
            return imagesAlive() ? images_->intrinsicSize(doc, pos, format) : plainSize(format);
        const FormulaBox b = boxOf(format);
        return QSizeF(b.width, b.boxHeight);
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int pos,
                    const QTextFormat& format) override
    {
        const QTextImageFormat image = format.toImageFormat();
        QRectF target = rect;
        if (isMiddleFormula(format)) {
            const FormulaBox b = boxOf(format);
            target = QRectF(rect.left(), rect.top() + b.top, b.width, b.height);
        }
        // Every picture with its bytes or an image resource is drawn at the
        // device's pixels (a formula's picture has three times its display
        // size; a photo may have far more): shrunk whole, so thin strokes stay
        // visible, and sharp on a screen of any pixel ratio.
        if (rtf::drawPicture(*painter, target, doc, image))
            return;
        if (!isMiddleFormula(format) && imagesAlive())
            images_->drawObject(painter, rect, doc, pos, format);
    }

private:
    bool imagesAlive() const { return images_ && imagesComponent_; }
    static QSizeF plainSize(const QTextFormat& format)
    {
        const QTextImageFormat f = format.toImageFormat();
        return QSizeF(f.width(), f.height());
    }

    QTextObjectInterface* images_;
    QPointer<QObject> imagesComponent_;
};

} // namespace

void installFormulaLayout(QTextDocument* doc)
{
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    if (layout->findChild<FormulaObjectHandler*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    QTextObjectInterface* images = layout->handlerForObject(QTextFormat::ImageObject);
    auto* imagesComponent = dynamic_cast<QObject*>(images);
    layout->registerHandler(QTextFormat::ImageObject,
                            new FormulaObjectHandler(images, imagesComponent, layout));
}

void alignFormulasOnBaseline(QTextDocument* doc)
{
    // Collected first: changing a format splits and merges fragments.
    std::vector<int> positions;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            if (isFormula(f) && f.property(rtf::FormulaDepth).toReal() > 0 &&
                f.verticalAlignment() != QTextCharFormat::AlignMiddle) {
                for (int i = 0; i < fragment.length(); ++i)
                    positions.push_back(fragment.position() + i);
            }
        }
    }
    if (positions.empty())
        return;
    QTextCursor c(doc);
    c.beginEditBlock();
    for (int pos : positions) {
        c.setPosition(pos);
        c.setPosition(pos + 1, QTextCursor::KeepAnchor);
        QTextCharFormat middle;
        middle.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        c.mergeCharFormat(middle);
    }
    c.endEditBlock();
}

#include "FormulaLayout.moc"

#include "ui/CutTextToolTip.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QTreeWidget>

namespace {

// The room QLineEdit leaves on each side of its text inside the contents
// rectangle (its private horizontalMargin).
constexpr int kLineEditTextMargin = 2;

class FieldTip : public QObject
{
public:
    explicit FieldTip(QLineEdit* field) : QObject(field), field_(field) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != field_ || event->type() != QEvent::ToolTip || !isTextCut(field_))
            return false;
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), field_->text(), field_);
        return true;
    }

private:
    QLineEdit* field_;
};

class TreeTip : public QObject
{
public:
    explicit TreeTip(QTreeWidget* tree) : QObject(tree), tree_(tree) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != tree_->viewport() || event->type() != QEvent::ToolTip)
            return false;
        auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = tree_->itemAt(help->pos());
        if (!item)
            return false;
        const QRect rect = tree_->visualItemRect(item);
        // The delegate's margin before the text.
        const int margin = tree_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree_) + 1;
        const int left = rect.left() + margin;
        const int right = left + tree_->fontMetrics().horizontalAdvance(item->text(0));
        if (left >= 0 && right <= tree_->viewport()->width())
            return false;
        QToolTip::showText(help->globalPos(), item->text(0), tree_->viewport(), rect);
        return true;
    }

private:
    QTreeWidget* tree_;
};

} // namespace

bool isTextCut(const QLineEdit* field)
{
    QStyleOptionFrame option;
    option.initFrom(field);
    option.rect = field->rect();
    option.lineWidth =
        field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field) : 0;
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
    const QMargins margins = field->textMargins();
    const int room = contents.width() - margins.left() - margins.right() - 2 * kLineEditTextMargin;
    return field->fontMetrics().horizontalAdvance(field->displayText()) > room;
}

void showCutTextInToolTip(QLineEdit* field)
{
    field->installEventFilter(new FieldTip(field));
}

void showCutTextInToolTip(QTreeWidget* tree)
{
    tree->viewport()->installEventFilter(new TreeTip(tree));
}

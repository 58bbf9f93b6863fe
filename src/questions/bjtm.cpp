#include "questions/bjtm.h"

#include "ui/ChildWindows.h"
#include "ui/RichTextBox.h"
#include "ui/RichTextEditor.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

bjtm::bjtm(QWidget* parent)
    : QWidget(parent), Document1(new RichTextEditor(this)), Command1(new QPushButton(u"编  辑"_s, this)),
      Command2(new QPushButton(u"返  回"_s, this))
{
    setObjectName(u"bjtm"_s);
    setWindowTitle(u"编辑题目"_s);
    Document1->setObjectName(u"Document1"_s);
    Command1->setObjectName(u"Command1"_s);
    Command1->setToolTip(u"单击就可进入word"_s);
    Command2->setObjectName(u"Command2"_s);
    Command2->setToolTip(u"单击回到“添加题目”窗口"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addSpacing(40);
    buttons->addWidget(Command2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Document1, 1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &bjtm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &bjtm::Command2_Click);
    focusWatch = connect(qApp, &QApplication::focusChanged, this, &bjtm::onFocusChanged);

    resize(twipsSize(11000, 6500));
    move(twipsPoint(500, 150));
}

bjtm::~bjtm()
{
    // Deleting the document moves the focus away from it while this object
    // is already only a QWidget: the watch must not see that move.
    disconnect(focusWatch);
}

QSize bjtm::sizeHint() const
{
    return twipsSize(11000, 6500);
}

namespace {

qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

// `pos` moved so that a window of `size` lies inside `area` as far as it fits.
QPoint inside(QPoint pos, const QSize& size, const QRect& area)
{
    pos.setX(std::max(area.left(), std::min(pos.x(), area.right() + 1 - size.width())));
    pos.setY(std::max(area.top(), std::min(pos.y(), area.bottom() + 1 - size.height())));
    return pos;
}

} // namespace

QRect bjtm::besidePlace(const QRect& area, const QRect& form, const QSize& size, const QSize& minimum,
                        const QRect& target)
{
    // The room beside the form on each side, right and below first: the
    // entry window sits at the top left, so that is where the room is.
    const QRect room[] = {
        QRect(QPoint(form.right() + 1, area.top()), area.bottomRight()),
        QRect(QPoint(area.left(), form.bottom() + 1), area.bottomRight()),
        QRect(area.topLeft(), QPoint(form.left() - 1, area.bottom())),
        QRect(area.topLeft(), QPoint(area.right(), form.top() - 1)),
    };
    // The first side where the whole window fits; otherwise the roomiest
    // side that takes it at its smallest.
    const QRect* best = nullptr;
    for (const QRect& r : room) {
        if (r.width() >= size.width() && r.height() >= size.height()) {
            best = &r;
            break;
        }
        if (r.width() >= minimum.width() && r.height() >= minimum.height() &&
            (!best || qint64(r.width()) * r.height() > qint64(best->width()) * best->height()))
            best = &r;
    }
    if (best) {
        const QSize fitted = size.boundedTo(best->size());
        // Level with the form (or flush with it above and below it).
        return QRect(inside(QPoint(best == &room[2] ? form.left() - fitted.width() : form.left(), form.top()),
                            fitted, *best),
                     fitted);
    }

    // No room beside: over the form after all, but clear of the target, as
    // large as the room around the target allows.
    const QRect around[] = {
        QRect(QPoint(target.right() + 1, area.top()), area.bottomRight()).intersected(area),
        QRect(area.topLeft(), QPoint(target.left() - 1, area.bottom())).intersected(area),
        QRect(QPoint(area.left(), target.bottom() + 1), area.bottomRight()).intersected(area),
        QRect(area.topLeft(), QPoint(area.right(), target.top() - 1)).intersected(area),
    };
    QRect placed;
    for (const QRect& r : around) {
        const QSize fitted = size.boundedTo(r.size());
        if (fitted.width() < minimum.width() || fitted.height() < minimum.height())
            continue;
        if (placed.isNull() ||
            qint64(fitted.width()) * fitted.height() > qint64(placed.width()) * placed.height())
            placed = QRect(inside(form.topLeft(), fitted, r), fitted);
    }
    if (!placed.isNull())
        return placed;

    // Not even that: at its own size, over as little of the target, then of
    // the form, as can be.
    std::pair<qint64, qint64> bestCost{-1, -1};
    const QPoint candidates[] = {
        {form.right() + 1, form.top()},
        {form.left(), form.bottom() + 1},
        {area.right() + 1 - size.width(), area.bottom() + 1 - size.height()},
        {area.left(), area.bottom() + 1 - size.height()},
        {area.left(), area.top()},
    };
    for (const QPoint& wanted : candidates) {
        const QRect r(inside(wanted, size, area), size);
        const std::pair<qint64, qint64> cost{overlap(r, target), overlap(r, form)};
        if (bestCost.first < 0 || cost < bestCost) {
            placed = r;
            bestCost = cost;
        }
    }
    return placed;
}

void bjtm::placeBeside(QWidget* form, QWidget* target)
{
    // In the main window's client area the frames are what is placed;
    // without one (a window of its own) the windows on the screen.
    QWidget* frame = childFrame(this);
    QWidget* formFrame = childFrame(form);
    const bool framed = frame && formFrame && frame->parentWidget() == formFrame->parentWidget();
    if (!framed)
        frame = this;
    if (frame->isMaximized())
        return;
    QRect area;
    QRect formRect;
    QRect targetRect;
    if (framed) {
        QWidget* space = frame->parentWidget();
        area = space->rect();
        formRect = formFrame->geometry();
        targetRect = QRect(target->mapTo(space, QPoint(0, 0)), target->size());
    } else {
        const QScreen* where = form->screen();
        if (!where)
            return;
        area = where->availableGeometry();
        formRect = form->frameGeometry();
        targetRect = QRect(target->mapToGlobal(QPoint(0, 0)), target->size());
    }
    // Its own size again (or larger, as the teacher left it) each time: a
    // place that had to shrink it was only for that time.
    const QSize margins = frame->frameGeometry().size() - size();
    const QSize wanted = size().expandedTo(sizeHint()) + margins;
    const QSize smallest = minimumSizeHint().expandedTo(twipsSize(6000, 4000)) + margins;
    const QRect placed = besidePlace(area, formRect, wanted, smallest, targetRect);
    if (framed) {
        frame->setGeometry(placed);
    } else {
        resize(placed.size() - margins);
        move(placed.topLeft());
    }
}

void bjtm::Command1_Click()
{
    // The document opens for editing at once: focus first, so disabling the
    // button does not send the focus elsewhere.
    Document1->box()->SetFocus();
    Command1->setEnabled(false);
}

void bjtm::Command2_Click()
{
    // The document lost the focus to this button, which ends the editing too.
    Command1->setEnabled(true);
    hide();
}

void bjtm::Document1_LostFocus()
{
    Command1->setEnabled(true);
    hide();
}

void bjtm::onFocusChanged(QWidget* old, QWidget* now)
{
    // This window's own controls (the toolbar's font and size boxes, the
    // buttons) keep it open; so do dialogs and pop-ups the document opens (a
    // picture file, the colour menu). Any other control of the program taking
    // the focus ends the editing.
    if (!old || !now || !isVisible() || !Document1->isAncestorOf(old))
        return;
    if (isAncestorOf(now))
        return;
    const Qt::WindowType type = now->window()->windowType();
    if (type == Qt::Dialog || type == Qt::Popup || type == Qt::Sheet || type == Qt::Tool)
        return;
    Document1_LostFocus();
}

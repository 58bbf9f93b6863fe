#include "classify/ClassificationGridView.h"

#include "classify/ClassificationGrid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

ClassificationGridView::ClassificationGridView(ClassificationGrid* grid, QWidget* parent)
    : QTableView(parent), grid_(grid)
{
    setModel(grid_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // The headers are the fixed row and column: clicking them chooses nothing.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    // Columns fit the texts of the first rows only (those in sight and a
    // screen or two more): measuring a thousand rows of Chinese text would
    // cost more than all else an opening does.
    horizontalHeader()->setResizeContentsPrecision(100);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Rows as high as a line of text: a small window shows as many as it can.
    verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Qt draws the corner as an empty button that selects everything; here it
    // is the fixed cell (0, 0) and shows the identifier column's name.
    setCornerButtonEnabled(false);
    corner_ = findChild<QAbstractButton*>();
    if (corner_)
        corner_->installEventFilter(this);
    connect(grid_, &QAbstractItemModel::modelReset, this, [this] {
        // The vertical header is as wide as the identifiers; the corner above
        // it must hold the column name as well.
        const int nameWidth = fontMetrics().horizontalAdvance(grid_->cornerText()) + 12;
        verticalHeader()->setMinimumWidth(grid_->gridColumns() > 0 ? nameWidth : 0);
    });
}

int ClassificationGridView::currentGridRow() const
{
    return ClassificationGrid::gridRowOf(currentIndex());
}

void ClassificationGridView::showReloaded(int row)
{
    resizeColumnsToContents();
    if (row >= 1 && row < grid_->gridRows()) {
        const QModelIndex index = grid_->index(row - 1, 0);
        setCurrentIndex(index);
        scrollTo(index, QAbstractItemView::PositionAtCenter);
    } else {
        // A reset model leaves no current index; say so for a model that
        // was not reset.
        selectionModel()->clear();
        scrollToTop();
    }
}

QModelIndex ClassificationGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // Taking the keyboard focus with no row current, Qt's view makes the
    // "next" row, the first, current: a row the teacher never chose, which
    // 删除 would then act on. The arrow keys still choose a row.
    if (action == MoveNext && !currentIndex().isValid())
        return {};
    return QTableView::moveCursor(action, modifiers);
}

bool ClassificationGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == corner_ && event->type() == QEvent::Paint) {
        // Drawn as the other header sections are, not as the disabled button
        // it is: the view's state and palette, not the button's.
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.rect = corner_->rect();
        opt.position = QStyleOptionHeader::OnlyOneSection;
        opt.orientation = Qt::Horizontal;
        opt.textAlignment = Qt::AlignCenter;
        opt.text = grid_->cornerText();
        opt.state |= QStyle::State_Raised | QStyle::State_Horizontal;
        opt.state &= ~QStyle::State_HasFocus;
        QPainter painter(corner_);
        style()->drawControl(QStyle::CE_Header, &opt, &painter, corner_);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

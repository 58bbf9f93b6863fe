#pragma once

#include <QTableView>

class ClassificationGrid;
class QAbstractButton;

// The grid of the classification editors on a ClassificationGrid: read-only,
// one row chosen at a time. Its fixed row (the column names) and fixed column
// (the identifiers) are the view's headers, so they stay in sight while the
// rows scroll and cannot be chosen; the corner shows the name of the
// identifier column.
class ClassificationGridView : public QTableView
{
    Q_OBJECT
public:
    explicit ClassificationGridView(ClassificationGrid* grid, QWidget* parent = nullptr);

    ClassificationGrid* grid() const { return grid_; }
    // The grid row of the current cell (MSFlexGrid's Row); 0 when the grid
    // has no data row.
    int currentGridRow() const;
    // After a reload grid row `row` (a data row) is current, selected and in
    // sight; with 0 no row is current, so that nothing is acted on before the
    // teacher chooses a row. The columns fit their texts.
    void showReloaded(int row = 0);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    ClassificationGrid* grid_;
    QAbstractButton* corner_ = nullptr;
};

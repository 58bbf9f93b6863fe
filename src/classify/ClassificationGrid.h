#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

class BankStore;

// The grid of the classification editors (the MSFlexGrid of 编辑知识点 and
// 编辑题型): a whole table in stored order, every value as text.
//
// In the grid's own terms (gridRows, gridColumns, cell) row 0 holds the
// column names and column 0 the identifiers; both are fixed, in header style
// and not selectable. An empty table gives a grid of 0 rows and 0 columns.
//
// As a Qt model the fixed row and column are the headers: the horizontal
// header holds the names of columns 1.., the vertical header the identifiers,
// and cornerText() the name of column 0. Model index (i, j) is grid cell
// (i + 1, j + 1). A view therefore keeps both fixed while it scrolls, and
// only lays out the rows it shows, so a table of many thousand rows opens at
// once.
class ClassificationGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ClassificationGrid(QObject* parent = nullptr);

    // refreshGrid: reloads the grid from the whole table `table` (one of
    // the bank's tables), its first `columns` columns. Returns false when the
    // table has no row; the grid then has no rows and no columns. Throws
    // StoreError.
    bool refresh(BankStore& store, const QString& table, int columns);
    // Fills the grid directly: `names` for row 0, then one row per entry of
    // `rows`. No rows empties the grid.
    void load(const QStringList& names, std::vector<QStringList> rows);

    int gridRows() const;
    int gridColumns() const;
    // The text of grid cell (row, column); empty outside the grid.
    QString cell(int row, int column) const;
    // Grid row r (a data row, r >= 1) as its values in table order.
    QStringList gridRow(int row) const;
    QString cornerText() const { return cell(0, 0); }
    // The grid row whose identifier (column 0) is `id`; 0 when none is.
    int gridRowOfId(qint64 id) const;
    // The grid row of a model index; 0 for an invalid index.
    static int gridRowOf(const QModelIndex& index) { return index.isValid() ? index.row() + 1 : 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList names_;             // row 0
    std::vector<QStringList> rows_; // rows 1..
};

#include "classify/ClassificationGrid.h"

#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <algorithm>

ClassificationGrid::ClassificationGrid(QObject* parent) : QAbstractTableModel(parent) {}

bool ClassificationGrid::refresh(BankStore& store, const QString& table, int columns)
{
    // Read before anything changes: a failing read leaves the grid as it was.
    const std::vector<QVariantList> stored = store.readAll(TableQuery{table, {}, {}});
    // Opening a bank checked its tables and their columns against these, in
    // order, so they are the names of the table's columns.
    QStringList names;
    for (const auto& [name, tableColumns] : bankTableColumns()) {
        if (name == table)
            names = tableColumns.mid(0, columns);
    }
    std::vector<QStringList> rows;
    rows.reserve(stored.size());
    for (const QVariantList& values : stored) {
        QStringList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << (c < values.size() ? values.at(c).toString() : QString());
        rows.push_back(std::move(row));
    }
    load(names, std::move(rows));
    return !rows_.empty();
}

void ClassificationGrid::load(const QStringList& names, std::vector<QStringList> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    names_ = rows_.empty() ? QStringList() : names;
    endResetModel();
}

int ClassificationGrid::gridRows() const
{
    return rows_.empty() ? 0 : int(rows_.size()) + 1;
}

int ClassificationGrid::gridColumns() const
{
    return rows_.empty() ? 0 : int(names_.size());
}

QString ClassificationGrid::cell(int row, int column) const
{
    if (row < 0 || row >= gridRows() || column < 0 || column >= gridColumns())
        return QString();
    const QStringList& values = row == 0 ? names_ : rows_[size_t(row - 1)];
    return column < values.size() ? values.at(column) : QString();
}

QStringList ClassificationGrid::gridRow(int row) const
{
    if (row < 1 || row >= gridRows())
        return QStringList();
    return rows_[size_t(row - 1)];
}

int ClassificationGrid::gridRowOfId(qint64 id) const
{
    // A row just added is the last in stored order: look from the end.
    const QString text = QString::number(id);
    for (std::size_t i = rows_.size(); i-- > 0;) {
        if (!rows_[i].isEmpty() && rows_[i].first() == text)
            return int(i) + 1;
    }
    return 0;
}

int ClassificationGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, gridRows() - 1);
}

int ClassificationGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, gridColumns() - 1);
}

QVariant ClassificationGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    return cell(index.row() + 1, index.column() + 1);
}

QVariant ClassificationGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return orientation == Qt::Horizontal ? cell(0, section + 1) : cell(section + 1, 0);
}

Qt::ItemFlags ClassificationGrid::flags(const QModelIndex& index) const
{
    // Read-only: the grid only shows the table; the edit fields change it.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

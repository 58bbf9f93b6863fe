#include "rtf/RtfTables.h"

#include "rtf/RtfParser.h"
#include "rtf/RtfParserState.h"

#include <algorithm>

namespace rtf {

Tables::Tables(Content& content) : c_(content), rowDefs_(kMaxTableNesting + 1) {}

std::vector<BlockRef>& Tables::container(int level)
{
    if (level <= 0 || open_.empty())
        return c_.body;
    return open_[std::size_t(std::min<int>(level, int(open_.size()))) - 1].cell.blocks;
}

void Tables::setDepth(int level)
{
    level = std::clamp(level, 0, kMaxTableNesting);
    while (int(open_.size()) > level)
        closeTable();
    while (int(open_.size()) < level)
        open_.emplace_back();
}

int Tables::definitionLevel(int paragraphLevel) const
{
    return nestPropsDepth_ >= 0 ? std::max(2, paragraphLevel) : 1;
}

void Tables::groupEnd(int depth)
{
    if (nestPropsDepth_ == depth)
        nestPropsDepth_ = -1;
}

Tables::RowDef& Tables::rowDefFor(int level)
{
    return rowDefs_[std::size_t(std::clamp(level, 1, kMaxTableNesting))];
}

void Tables::startRowDefinition(int level)
{
    rowDefFor(level) = RowDef{};
}

void Tables::defineCell(int level, int right)
{
    RowDef& def = rowDefFor(level);
    CellDef cell = def.pending;
    cell.right = clampInt(right, -kMaxCellBoundary, kMaxCellBoundary);
    if (def.cells.size() < std::size_t(kMaxCellsPerRow))
        def.cells.push_back(cell);
    def.pending = CellDef{};
}

CellDef& Tables::pendingCell(int level)
{
    return rowDefFor(level).pending;
}

void Tables::finishRow(int level)
{
    OpenTable& t = open_.back();
    if (!t.cell.blocks.empty()) {
        t.row.cells.push_back(std::move(t.cell));
        t.cell = Cell{};
    }
    if (t.row.cells.empty())
        return;
    const std::vector<CellDef>& defs = rowDefFor(level).cells;
    Row row;
    int lastRight = 0;
    const std::size_t count = std::max(t.row.cells.size(), defs.size());
    for (std::size_t i = 0; i < count && i < std::size_t(kMaxCellsPerRow); ++i) {
        Cell cell = i < t.row.cells.size() ? std::move(t.row.cells[i]) : Cell{};
        if (i < defs.size()) {
            cell.def = defs[i];
        } else {
            // More cells than definitions: give each missing one a default width.
            cell.def = CellDef{};
            cell.def.right = lastRight + 1440;
        }
        // Boundaries must grow from left to right, and stay within what is
        // read back: a cell that would pass the limit joins the one before.
        if (i > 0 && cell.def.right <= lastRight)
            cell.def.right = lastRight + 100;
        const bool pastLimit = cell.def.right > kMaxCellBoundary;
        if (pastLimit && row.cells.empty())
            cell.def.right = kMaxCellBoundary;
        else if (pastLimit)
            cell.def.horizontal = Merge::Continue;
        lastRight = cell.def.right;
        if (cell.def.horizontal == Merge::Continue && !row.cells.empty()) {
            Cell& first = row.cells.back();
            if (!pastLimit)
                first.def.right = cell.def.right;
            for (BlockRef& b : cell.blocks) {
                const bool empty = !b.table && c_.paragraphs[std::size_t(b.index)].text.isEmpty();
                if (!empty)
                    first.blocks.push_back(b);
            }
            continue;
        }
        row.cells.push_back(std::move(cell));
    }
    t.table.rows.push_back(std::move(row));
    t.row = Row{};
}

void Tables::closeTable()
{
    const int level = int(open_.size());
    finishRow(level);
    OpenTable t = std::move(open_.back());
    open_.pop_back();
    if (t.table.rows.empty())
        return;
    const int index = int(c_.tables.size());
    c_.tables.push_back(std::move(t.table));
    container(level - 1).push_back(BlockRef{true, index});
}

void Tables::endCell(int level)
{
    OpenTable& t = open_[std::size_t(std::min<int>(level, int(open_.size()))) - 1];
    if (t.row.cells.size() < std::size_t(kMaxCellsPerRow)) {
        t.row.cells.push_back(std::move(t.cell));
    } else {
        // Too many cells: the rest joins the last one.
        Cell& last = t.row.cells.back();
        last.blocks.insert(last.blocks.end(), t.cell.blocks.begin(), t.cell.blocks.end());
    }
    t.cell = Cell{};
}

void Tables::endRow(int level)
{
    setDepth(level);
    finishRow(level);
}

} // namespace rtf

#pragma once

#include "rtf/RtfModel.h"

#include <vector>

namespace rtf {

// The tables the open paragraph is in, a nested one inside a cell of the one
// around it, and the cell definitions of each nesting level (\trowd, \cellxN
// and the \cl words before each), which come before the row's text or, in
// older writers, after it.
class Tables
{
public:
    explicit Tables(Content& content);

    // Where a paragraph at table level `level` (0: outside tables) goes.
    std::vector<BlockRef>& container(int level);
    // Opens or closes tables until `level` of them are open.
    void setDepth(int level);

    // The nesting level the cell definitions read now are for: a table's own
    // in its \nesttableprops group, the outermost elsewhere.
    int definitionLevel(int paragraphLevel) const;
    void beginNestedProperties(int depth) { nestPropsDepth_ = depth; }
    void groupEnd(int depth);

    void startRowDefinition(int level);
    // The cell with the definitions read since the last one ends at `right`.
    void defineCell(int level, int right);
    CellDef& pendingCell(int level);

    // The paragraph just ended was the last of a cell, or of a row.
    void endCell(int level);
    void endRow(int level);

private:
    struct RowDef
    {
        std::vector<CellDef> cells;
        CellDef pending;
    };

    struct OpenTable
    {
        Table table;
        Row row;
        Cell cell;
    };

    RowDef& rowDefFor(int level);
    void finishRow(int level);
    void closeTable();

    Content& c_;
    std::vector<OpenTable> open_;
    std::vector<RowDef> rowDefs_;
    int nestPropsDepth_ = -1;
};

} // namespace rtf

#pragma once

// Internal to src/store: the one place where the store's typed requests
// (TableQuery and its conditions, table and column names) become the text
// of SQLite statements. Values never enter the text; they travel beside it,
// bound in order. An engine of another kind would put its own text here.

#include "store/TableQuery.h"

#include <QString>
#include <QVariantList>
#include <vector>

// A statement's condition: " WHERE ..." (or nothing when every row counts)
// and the values bound to its placeholders, in order.
struct SqlWhere
{
    QString text;
    QVariantList params;
};

// Quotes a table or column name for a statement. Names come from the program,
// never from the user; quoting keeps Chinese names and keywords safe anyway.
QString quotedName(const QString& name);

// The conditions, all of which must hold, as SQLite's statement text.
SqlWhere whereClause(const std::vector<Condition>& conditions);

#pragma once

// Which rows of a table a store operation reads, counts, changes or deletes:
// typed conditions on columns, never statement text. Only the store turns
// them into its engine's statements (SqliteText.cpp), with every value bound
// apart from the text.

#include <QString>
#include <QtGlobal>
#include <QVariant>
#include <QVariantList>
#include <utility>
#include <vector>

// How a condition compares a column with its value (or values).
enum class Comparison {
    // Equal as the column compares: the bank's text columns compare Latin
    // letters without case; a missing value (NULL) equals nothing.
    Equal,
    // Not equal as the column compares; a missing value is neither equal
    // nor not equal to anything, so a row without a value never matches.
    NotEqual,
    // A name as a window shows it: Latin letters without case whatever the
    // column's own comparison, and a missing value taken as the empty text
    // (so the empty text matches rows without a value too).
    EqualIgnoringCase,
    // Equal to one of a set of values, as the column compares; an empty set
    // matches no row.
    In,
};

// One condition on the rows of a table.
struct Condition
{
    QString column{}; // a column of the table; empty: the row's identity
    Comparison comparison = Comparison::Equal;
    QVariantList values{}; // one value; the set for In

    static Condition equal(const QString& column, const QVariant& value);
    static Condition notEqual(const QString& column, const QVariant& value);
    static Condition equalIgnoringCase(const QString& column, const QVariant& value);
    static Condition in(const QString& column, const QVariantList& values);
    // The row with this identity (the key a kept result holds), or one of these.
    static Condition identityIs(qint64 id);
    static Condition identityIn(const std::vector<qint64>& ids);

    bool isIdentity() const { return column.isEmpty(); }
    bool operator==(const Condition&) const = default;
};

// The rows of one table for which every condition holds (none: every row).
struct TableQuery
{
    QString table{};
    std::vector<Condition> conditions{};

    // Adds a condition that must hold too.
    TableQuery& where(Condition condition)
    {
        conditions.push_back(std::move(condition));
        return *this;
    }

    // The query as a reader would see it, values quoted in place, e.g.
    // select * from 数学题库 where 题型<>'A' and 难度='B'. For messages and
    // tests only, never executed.
    QString displayText() const;
    bool operator==(const TableQuery&) const = default;
};

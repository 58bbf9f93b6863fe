#pragma once

// The order in which names (knowledge points, question types) are listed:
// the order a Chinese teacher expects, pinyin for Chinese characters, Latin
// letters without case, and numbers inside names compared as numbers, so that
// 第2章 comes before 第10章. The same order serves every list, tree and export.

#include <QStringList>
#include <QVariant>
#include <vector>

namespace NameOrder {

// Negative, zero or positive as `a` sorts before, with or after `b`. Names
// that the collation ranks equal but that differ are ordered by their
// characters, so that the order is total and the same on every run.
int compare(const QString& a, const QString& b);
inline bool less(const QString& a, const QString& b)
{
    return compare(a, b) < 0;
}

// Sorts names in place.
void sort(QStringList& names);

// Sorts rows by the text of their columns in turn (column 0 first); rows that
// compare equal keep their order.
void sortRows(std::vector<QVariantList>& rows);

} // namespace NameOrder

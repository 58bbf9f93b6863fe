#pragma once

// The order in which names (knowledge points, question types) are listed:
// the order a Chinese teacher expects, pinyin for Chinese characters, Latin
// letters without case, and numbers inside names compared as numbers, so that
// 第2章 comes before 第10章. Chinese numerals count as numbers where they stand
// as one: after 第 or 初, before 年级 or 单元, and alone at the start of a name
// or in brackets (第二章 < 第十章 < 第十一章, 一、 < 二、 < 十二、, （三） <
// （十）); 一次函数 and 三角形 keep their pinyin place. The same order serves
// every list, tree and export.

#include <QCollatorSortKey>
#include <QHash>
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

// The collation key of a name: keys compare as their names do, except that
// names the collation ranks equal have equal keys (compare() then orders them
// by their characters). Made once per name and thread, then kept.
QCollatorSortKey sortKey(const QString& name);

// Ranks a set of names in name order, so that many rows of names sort by
// comparing numbers: each distinct name is collated once, however often it
// occurs. Add every name, call rank(), then compare ranks.
class Ranks
{
public:
    // The slot of a name, the same for every occurrence of it.
    int add(const QString& name);
    void rank();
    // After rank(): a before b in name order exactly when rankOf(a) < rankOf(b).
    int rankOf(int slot) const { return ranks_[std::size_t(slot)]; }

private:
    QHash<QString, int> slots_;
    std::vector<QString> names_;
    std::vector<int> ranks_;
};

} // namespace NameOrder

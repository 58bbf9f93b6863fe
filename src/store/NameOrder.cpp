#include "store/NameOrder.h"

#include <algorithm>
#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <unordered_map>

namespace {

QCollator makeCollator()
{
    // ICU's Chinese collation is pinyin order.
    QCollator c(QLocale(QLocale::Chinese, QLocale::China));
    c.setNumericMode(true);
    c.setCaseSensitivity(Qt::CaseInsensitive);
    c.setIgnorePunctuation(false);
    return c;
}

const QCollator& collator()
{
    // QCollator is not safe to share between threads; the name order is only
    // used on the thread that asks, so each thread gets its own.
    thread_local const QCollator c = makeCollator();
    return c;
}

struct NameHash
{
    std::size_t operator()(const QString& s) const noexcept { return qHash(s); }
};

// Sorting compares each name many times: compute its sort key once. A node
// map, so that a key's address stays put while more names are added.
class KeyCache
{
public:
    const QCollatorSortKey& key(const QString& name)
    {
        auto it = keys_.find(name);
        if (it == keys_.end())
            it = keys_.emplace(name, collator().sortKey(name)).first;
        return it->second;
    }

    int compare(const QString& a, const QString& b)
    {
        if (a == b)
            return 0;
        const int c = key(a).compare(key(b));
        return c != 0 ? c : a.compare(b);
    }

private:
    std::unordered_map<QString, QCollatorSortKey, NameHash> keys_;
};

} // namespace

namespace NameOrder {

int compare(const QString& a, const QString& b)
{
    if (a == b)
        return 0;
    const int c = collator().compare(a, b);
    return c != 0 ? c : a.compare(b);
}

void sort(QStringList& names)
{
    KeyCache cache;
    std::stable_sort(names.begin(), names.end(),
                     [&](const QString& a, const QString& b) { return cache.compare(a, b) < 0; });
}

int Ranks::add(const QString& name)
{
    auto it = slots_.constFind(name);
    if (it != slots_.constEnd())
        return *it;
    const int slot = int(names_.size());
    slots_.insert(name, slot);
    names_.push_back(name);
    return slot;
}

QCollatorSortKey sortKey(const QString& name)
{
    // Lists, trees and exports sort the same names again and again: a name's
    // key is made once per thread, as long as the cache stays of a sensible size.
    thread_local QHash<QString, QCollatorSortKey> cache;
    auto it = cache.constFind(name);
    if (it == cache.constEnd()) {
        if (cache.size() >= 200'000)
            cache.clear();
        it = cache.emplace(name, collator().sortKey(name));
    }
    return *it;
}

void Ranks::rank()
{
    // The sort compares keys, then the characters of names the collation
    // ranks equal.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(names_.size());
    for (const QString& name : names_)
        keys.push_back(sortKey(name));
    std::vector<int> order(names_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[std::size_t(a)].compare(keys[std::size_t(b)]);
        return c != 0 ? c < 0 : names_[std::size_t(a)].compare(names_[std::size_t(b)]) < 0;
    });
    ranks_.assign(names_.size(), 0);
    for (std::size_t r = 0; r < order.size(); ++r)
        ranks_[std::size_t(order[r])] = int(r);
}

void sortRows(std::vector<QVariantList>& rows)
{
    // Each row becomes the ranks of its texts; the sort then compares numbers.
    Ranks ranks;
    std::vector<std::vector<int>> cells(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        cells[r].reserve(std::size_t(rows[r].size()));
        for (const QVariant& v : rows[r])
            cells[r].push_back(ranks.add(v.toString()));
    }
    ranks.rank();
    std::vector<std::size_t> order(rows.size());
    for (std::size_t r = 0; r < order.size(); ++r) {
        order[r] = r;
        for (int& s : cells[r])
            s = ranks.rankOf(s);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return cells[a] < cells[b]; });
    std::vector<QVariantList> sorted;
    sorted.reserve(rows.size());
    for (std::size_t r : order)
        sorted.push_back(std::move(rows[r]));
    rows = std::move(sorted);
}

} // namespace NameOrder

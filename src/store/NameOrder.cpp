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

void sortRows(std::vector<QVariantList>& rows)
{
    // Each row's texts and sort keys are looked up once; the sort then only
    // compares keys it already holds.
    struct Keyed
    {
        std::vector<std::pair<QString, const QCollatorSortKey*>> columns;
        std::size_t row;
    };
    KeyCache cache;
    std::vector<Keyed> keyed(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        keyed[r].row = r;
        keyed[r].columns.reserve(std::size_t(rows[r].size()));
        for (const QVariant& v : rows[r]) {
            QString text = v.toString();
            const QCollatorSortKey* key = &cache.key(text);
            keyed[r].columns.emplace_back(std::move(text), key);
        }
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        const std::size_t n = std::min(a.columns.size(), b.columns.size());
        for (std::size_t i = 0; i < n; ++i) {
            const auto& [textA, keyA] = a.columns[i];
            const auto& [textB, keyB] = b.columns[i];
            if (keyA == keyB)
                continue; // the same name
            int c = keyA->compare(*keyB);
            if (c == 0)
                c = textA.compare(textB);
            if (c != 0)
                return c < 0;
        }
        return a.columns.size() < b.columns.size();
    });
    std::vector<QVariantList> sorted;
    sorted.reserve(rows.size());
    for (const Keyed& k : keyed)
        sorted.push_back(std::move(rows[k.row]));
    rows = std::move(sorted);
}

} // namespace NameOrder

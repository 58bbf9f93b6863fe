#include "store/NameOrder.h"

#include <algorithm>
#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>

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

// Sorting compares each name many times: compute its sort key once.
class KeyCache
{
public:
    const QCollatorSortKey& key(const QString& name)
    {
        auto it = keys_.find(name);
        if (it == keys_.end())
            it = keys_.emplace(name, collator().sortKey(name));
        return *it;
    }

    int compare(const QString& a, const QString& b)
    {
        if (a == b)
            return 0;
        const int c = key(a).compare(key(b));
        return c != 0 ? c : a.compare(b);
    }

private:
    QHash<QString, QCollatorSortKey> keys_;
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
    KeyCache cache;
    std::stable_sort(rows.begin(), rows.end(), [&](const QVariantList& a, const QVariantList& b) {
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i) {
            const int c = cache.compare(a.at(i).toString(), b.at(i).toString());
            if (c != 0)
                return c < 0;
        }
        return a.size() < b.size();
    });
}

} // namespace NameOrder

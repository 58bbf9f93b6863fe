#include "store/NameOrder.h"

#include <algorithm>
#include <optional>
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

// Chinese numerals ----------------------------------------------------------
//
// ICU's numeric mode orders runs of digits as numbers, but only Arabic ones:
// 第十章 would sort by the pinyin of 十 (shi), after 第二章 (er) and before
// 第一章 (yi). Where a run of Chinese numerals stands as a number in a name,
// it is collated as its Arabic digits. Only those places, not every 一 or 二:
// 一次函数, 二次根式 and 三角形 are words, and a teacher looks them up by
// their pinyin, as before.

// The value of a numeral digit, -1 for a unit or any other character.
int numeralDigit(char16_t c)
{
    switch (c) {
    case u'〇':
    case u'零':
        return 0;
    case u'一':
        return 1;
    case u'二':
        return 2;
    case u'三':
        return 3;
    case u'四':
        return 4;
    case u'五':
        return 5;
    case u'六':
        return 6;
    case u'七':
        return 7;
    case u'八':
        return 8;
    case u'九':
        return 9;
    default:
        return -1;
    }
}

int numeralUnit(char16_t c)
{
    switch (c) {
    case u'十':
        return 10;
    case u'百':
        return 100;
    case u'千':
        return 1000;
    default:
        return 0;
    }
}

bool isNumeral(char16_t c)
{
    return numeralDigit(c) >= 0 || numeralUnit(c) > 0 || c == u'万';
}

// The value of a run of numerals: 十三 13, 一百零一 101, 二〇二六 2026 (digits
// alone read place by place); nullopt for a run that is no number (十十, 百).
std::optional<qint64> numeralValue(QStringView run)
{
    bool hasUnit = false;
    for (QChar c : run)
        hasUnit = hasUnit || numeralDigit(c.unicode()) < 0;
    qint64 value = 0;
    if (!hasUnit) {
        if (run.size() > 15)
            return std::nullopt;
        for (QChar c : run)
            value = value * 10 + numeralDigit(c.unicode());
        return value;
    }
    qint64 section = 0;   // below 万
    int digit = -1;       // a digit waiting for its unit
    int lastUnit = 10000; // units fall within a section: 千, 百, 十
    bool tenThousands = false;
    for (QChar ch : run) {
        const char16_t c = ch.unicode();
        if (const int d = numeralDigit(c); d >= 0) {
            if (digit > 0)
                return std::nullopt; // 一二十
            if (d > 0)
                digit = d;
            else if (digit < 0)
                digit = 0; // 一百零一: 零 only marks a gap
            continue;
        }
        if (c == u'万') {
            if (tenThousands || (section == 0 && digit <= 0))
                return std::nullopt;
            value = (section + std::max(digit, 0)) * 10000;
            section = 0;
            digit = -1;
            lastUnit = 10000;
            tenThousands = true;
            continue;
        }
        const int unit = numeralUnit(c);
        if (unit >= lastUnit)
            return std::nullopt; // 十百
        if (digit <= 0) {
            // 十一 and 第十: a ten without its digit counts one ten.
            if (unit != 10 || digit == 0 || section != 0)
                return std::nullopt;
            digit = 1;
        }
        section += qint64(digit) * unit;
        digit = -1;
        lastUnit = unit;
    }
    return value + section + std::max(digit, 0);
}

// Characters that end a number standing at the start of a name (一、 二．
// 三 ) or inside brackets.
bool endsLeadingNumber(char16_t c)
{
    switch (c) {
    case u'、':
    case u'，':
    case u',':
    case u'．':
    case u'.':
    case u'：':
    case u':':
    case u'；':
    case u';':
    case u' ':
    case u'\u3000':
    case u'）':
    case u')':
    case u'】':
    case u']':
    case u'〕':
        return true;
    default:
        return false;
    }
}

bool opensBracket(char16_t c)
{
    return c == u'（' || c == u'(' || c == u'【' || c == u'[' || c == u'〔';
}

// Whether the numeral run name[begin, end) stands as a number: after 第 or
// 初 (第三章, 初二), before 年级 or 单元 (七年级), or alone at the start of the
// name or in brackets (一、数与式, （二）), up to the end or a separator.
bool standsAsNumber(QStringView name, qsizetype begin, qsizetype end)
{
    const char16_t before = begin > 0 ? name.at(begin - 1).unicode() : 0;
    if (before == u'第' || before == u'初')
        return true;
    const QStringView rest = name.sliced(end);
    if (rest.startsWith(u"年级") || rest.startsWith(u"单元"))
        return true;
    const bool leads = begin == 0 || opensBracket(before);
    return leads && (rest.isEmpty() || endsLeadingNumber(rest.front().unicode()));
}

// The text that is collated for a name: its numbers written in Arabic digits.
// A name without numerals is returned as it is, without a copy.
QString collationText(const QString& name)
{
    const auto numeral = [](QChar c) { return isNumeral(c.unicode()); };
    if (std::none_of(name.cbegin(), name.cend(), numeral))
        return name;
    QString out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < name.size();) {
        if (!numeral(name.at(i))) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < name.size() && numeral(name.at(end)))
            ++end;
        if (standsAsNumber(name, i, end)) {
            if (const std::optional<qint64> value = numeralValue(QStringView(name).sliced(i, end - i))) {
                out += QStringView(name).sliced(copied, i - copied);
                out += QString::number(*value);
                copied = end;
            }
        }
        i = end;
    }
    if (copied == 0)
        return name;
    out += QStringView(name).sliced(copied);
    return out;
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
            it = keys_.emplace(name, collator().sortKey(collationText(name))).first;
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
    const int c = collator().compare(collationText(a), collationText(b));
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
        it = cache.emplace(name, collator().sortKey(collationText(name)));
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

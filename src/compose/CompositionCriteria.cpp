#include "compose/CompositionCriteria.h"

#include <cmath>

using namespace Qt::StringLiterals;

TableQuery candidateQuery(const CompositionCriteria& criteria)
{
    return buildQuestionQuery(criteria);
}

double leadingNumber(const QString& text)
{
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            compact.append(c);
    }
    // The longest prefix of the form [sign] digits [. digits] [e|d [sign] digits].
    qsizetype i = 0;
    const qsizetype n = compact.size();
    auto isDigit = [&](qsizetype k) { return k < n && compact.at(k) >= u'0' && compact.at(k) <= u'9'; };
    if (i < n && (compact.at(i) == u'+' || compact.at(i) == u'-'))
        ++i;
    const qsizetype mantissaStart = i;
    while (isDigit(i))
        ++i;
    bool digits = i > mantissaStart;
    qsizetype pointAt = -1;
    if (i < n && compact.at(i) == u'.') {
        pointAt = i;
        const qsizetype afterPoint = ++i;
        while (isDigit(i))
            ++i;
        digits = digits || i > afterPoint;
        if (i == afterPoint)
            pointAt = -2; // "3." : the point ends the number
    }
    if (!digits)
        return 0;
    qsizetype end = i;
    if (i < n &&
        (compact.at(i) == u'e' || compact.at(i) == u'E' || compact.at(i) == u'd' || compact.at(i) == u'D')) {
        qsizetype j = i + 1;
        if (j < n && (compact.at(j) == u'+' || compact.at(j) == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (isDigit(j))
            ++j;
        if (j > expStart)
            end = j;
    }
    QString number = compact.left(end);
    if (end > i)
        number[i] = u'e';
    if (pointAt == -2)
        number.remove(i - 1, 1);
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

QuestionCountEntry readQuestionCount(const std::optional<QString>& entry)
{
    const double value = entry ? leadingNumber(*entry) : 0;
    if (value == 0)
        return {0, u"题目数量不能是零！请重新输入"_s};
    if (value < 0 || value != std::floor(value) || value > kMaxQuestionTotal)
        return {0, u"题目总数应是 1 到 %1 之间的整数，请重新输入"_s.arg(kMaxQuestionTotal)};
    return {int(value), {}};
}

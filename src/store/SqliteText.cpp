#include "store/SqliteText.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QString quotedName(const QString& name)
{
    QString n = name;
    n.replace(u'"', u"\"\""_s);
    return u'"' + n + u'"';
}

namespace {

QString placeholders(qsizetype n)
{
    QStringList marks;
    marks.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        marks << u"?"_s;
    return marks.join(u", "_s);
}

// One condition; its values go to `params`.
QString conditionText(const Condition& c, QVariantList* params)
{
    const QString column = c.isIdentity() ? u"rowid"_s : quotedName(c.column);
    const QVariant value = c.values.isEmpty() ? QVariant() : c.values.front();
    switch (c.comparison) {
    case Comparison::Equal:
        // The column's own collation decides: NOCASE for the bank's text
        // columns. A plain comparison keeps the indexes usable.
        params->append(value);
        return column + u" = ?"_s;
    case Comparison::NotEqual:
        params->append(value);
        return column + u" <> ?"_s;
    case Comparison::EqualIgnoringCase:
        // IFNULL would lose the column's collation: it is given again.
        params->append(value);
        return u"IFNULL("_s + column + u", '') = IFNULL(?, '') COLLATE NOCASE"_s;
    case Comparison::In:
        if (c.values.isEmpty())
            return u"0"_s; // no value to be equal to: no row
        params->append(c.values);
        return column + u" IN ("_s + placeholders(c.values.size()) + u')';
    }
    return u"0"_s;
}

} // namespace

SqlWhere whereClause(const std::vector<Condition>& conditions)
{
    SqlWhere out;
    QStringList parts;
    for (const Condition& c : conditions)
        parts << conditionText(c, &out.params);
    if (!parts.isEmpty())
        out.text = u" WHERE "_s + parts.join(u" AND "_s);
    return out;
}

#include "store/TableQuery.h"

#include <QStringList>

using namespace Qt::StringLiterals;

Condition Condition::equal(const QString& column, const QVariant& value)
{
    return {column, Comparison::Equal, {value}};
}

Condition Condition::notEqual(const QString& column, const QVariant& value)
{
    return {column, Comparison::NotEqual, {value}};
}

Condition Condition::equalIgnoringCase(const QString& column, const QVariant& value)
{
    return {column, Comparison::EqualIgnoringCase, {value}};
}

Condition Condition::in(const QString& column, const QVariantList& values)
{
    return {column, Comparison::In, values};
}

Condition Condition::identityIs(qint64 id)
{
    return {{}, Comparison::Equal, {id}};
}

Condition Condition::identityIn(const std::vector<qint64>& ids)
{
    QVariantList values;
    values.reserve(qsizetype(ids.size()));
    for (const qint64 id : ids)
        values << id;
    return {{}, Comparison::In, values};
}

namespace {

QString quoted(const QVariant& value)
{
    return u'\'' + value.toString() + u'\'';
}

QString shown(const Condition& c)
{
    const QString column = c.isIdentity() ? u"rowid"_s : c.column;
    const QVariant first = c.values.isEmpty() ? QVariant() : c.values.front();
    switch (c.comparison) {
    case Comparison::Equal:
    case Comparison::EqualIgnoringCase:
        return column + u'=' + quoted(first);
    case Comparison::NotEqual:
        return column + u"<>"_s + quoted(first);
    case Comparison::In: {
        QStringList values;
        for (const QVariant& v : c.values)
            values << quoted(v);
        return column + u" in ("_s + values.join(u", "_s) + u')';
    }
    }
    return column;
}

} // namespace

QString TableQuery::displayText() const
{
    QString text = u"select * from "_s + table;
    QStringList shownConditions;
    for (const Condition& c : conditions)
        shownConditions << shown(c);
    if (!shownConditions.isEmpty())
        text += u" where "_s + shownConditions.join(u" and "_s);
    return text;
}

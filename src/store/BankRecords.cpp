#include "store/BankRecords.h"

#include "store/BankTables.h"

namespace {

QString textAt(const QVariantList& row, qsizetype i)
{
    return i < row.size() ? row.at(i).toString() : QString();
}

} // namespace

FieldValues KnowledgePath::fields() const
{
    return {{KnowledgeColumns::level1, level1},
            {KnowledgeColumns::level2, level2},
            {KnowledgeColumns::level3, level3}};
}

KnowledgePath KnowledgePath::fromRow(const QVariantList& row)
{
    return {textAt(row, 1), textAt(row, 2), textAt(row, 3)};
}

FieldValues QuestionRecord::fields() const
{
    return {
        {QuestionColumns::number, number},
        {QuestionColumns::type, type},
        {QuestionColumns::level1, path.level1},
        {QuestionColumns::level2, path.level2},
        {QuestionColumns::level3, path.level3},
        {QuestionColumns::difficulty, difficulty},
        {QuestionColumns::content, bodyColumnValue(content)},
        {QuestionColumns::answer, bodyColumnValue(answer)},
        {QuestionColumns::entranceExam, entranceExam},
        {QuestionColumns::enteredBy, enteredBy},
        {QuestionColumns::enteredAt, enteredAt},
    };
}

QuestionRecord QuestionRecord::fromRow(const QVariantList& row)
{
    QuestionRecord q;
    q.number = textAt(row, 0);
    q.type = textAt(row, 1);
    q.path = {textAt(row, 2), textAt(row, 3), textAt(row, 4)};
    q.difficulty = textAt(row, 5);
    q.content = row.size() > 6 ? bodyFromColumn(row.at(6)) : QByteArray();
    q.answer = row.size() > 7 ? bodyFromColumn(row.at(7)) : QByteArray();
    q.entranceExam = textAt(row, 8);
    q.enteredBy = textAt(row, 9);
    q.enteredAt = textAt(row, 10);
    return q;
}

FieldValues QuestionType::fields() const
{
    return {{TypeColumns::name, name}};
}

QuestionType QuestionType::fromRow(const QVariantList& row)
{
    return {row.isEmpty() ? 0 : row.at(0).toLongLong(), textAt(row, 1)};
}

FieldValues UserRecord::fields() const
{
    return {{UserColumns::name, name}, {UserColumns::password, passwordHash}, {UserColumns::role, role}};
}

UserRecord UserRecord::fromRow(const QVariantList& row)
{
    return {textAt(row, 0), textAt(row, 1), textAt(row, 2)};
}

QVariant bodyColumnValue(const QByteArray& rtf)
{
    return QString::fromLatin1(rtf);
}

QByteArray bodyFromColumn(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    const QString text = value.toString();
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return text.toUtf8();
    }
    return text.toLatin1();
}

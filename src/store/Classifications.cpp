#include "store/Classifications.h"

#include "store/BankStore.h"
#include "store/BankTables.h"

using namespace Qt::StringLiterals;

namespace {

// "column = ?" for a name as a window shows it. A value the bank holds as
// NULL shows as the empty text, so the empty text matches it too; the
// explicit collation is the column's own, which the functions around both
// sides would otherwise lose.
QString nameEquals(const QString& column)
{
    return u"IFNULL(\""_s + column + u"\", '') = IFNULL(?, '') COLLATE NOCASE"_s;
}

// An empty name is stored as the empty text, not as NULL.
QString stored(const QString& name)
{
    return name.isNull() ? u""_s : name;
}

TableQuery pathQuery(const KnowledgePath& path)
{
    return {BankTables::knowledgePoints,
            nameEquals(KnowledgeColumns::level1) + u" AND "_s + nameEquals(KnowledgeColumns::level2) +
                u" AND "_s + nameEquals(KnowledgeColumns::level3),
            {path.level1, path.level2, path.level3}};
}

TableQuery typeQuery(const QString& table, const QString& column, const QString& type)
{
    return {table, nameEquals(column), {type}};
}

// The rows of `table` holding the point: its name at its level, and the
// names above it that it gives.
TableQuery pointQuery(const QString& table, const QStringList& levelColumns, const KnowledgePoint& point)
{
    TableQuery q{table, nameEquals(levelColumns.at(point.level - 1)), {point.name}};
    for (qsizetype i = 0; i < point.parents.size() && i < point.level - 1; ++i) {
        q.where += u" AND "_s + nameEquals(levelColumns.at(i));
        q.params << point.parents.at(i);
    }
    return q;
}

const QStringList& knowledgeColumns()
{
    static const QStringList columns{KnowledgeColumns::level1, KnowledgeColumns::level2,
                                     KnowledgeColumns::level3};
    return columns;
}

const QStringList& questionLevelColumns()
{
    static const QStringList columns{QuestionColumns::level1, QuestionColumns::level2,
                                     QuestionColumns::level3};
    return columns;
}

void checkLevel(const KnowledgePoint& point)
{
    if (point.level < 1 || point.level > 3)
        throw StoreError(StoreErrorNumber::NoSuchField,
                         u"知识点只有一、二、三级，没有第%1级。"_s.arg(point.level));
}

} // namespace

int knowledgePathRowCount(BankStore& store, const KnowledgePath& path)
{
    return store.count(pathQuery(path));
}

int deleteKnowledgePathRows(BankStore& store, const KnowledgePath& path)
{
    return store.deleteWhere(pathQuery(path));
}

int questionTypeRowCount(BankStore& store, const QString& type)
{
    return store.count(typeQuery(BankTables::questionTypes, TypeColumns::name, type));
}

int deleteQuestionTypeRows(BankStore& store, const QString& type)
{
    return store.deleteWhere(typeQuery(BankTables::questionTypes, TypeColumns::name, type));
}

RenameCount knowledgePointUse(BankStore& store, const KnowledgePoint& point)
{
    checkLevel(point);
    return {store.count(pointQuery(BankTables::knowledgePoints, knowledgeColumns(), point)),
            store.count(pointQuery(BankTables::questions, questionLevelColumns(), point))};
}

RenameCount renameKnowledgePoint(BankStore& store, const KnowledgePoint& point, const QString& newName,
                                 bool questionsToo)
{
    checkLevel(point);
    RenameCount changed;
    store.inTransaction([&] {
        const int level = point.level - 1;
        changed.classificationRows =
            store.updateWhere(pointQuery(BankTables::knowledgePoints, knowledgeColumns(), point),
                              {{knowledgeColumns().at(level), stored(newName)}});
        if (questionsToo)
            changed.questions =
                store.updateWhere(pointQuery(BankTables::questions, questionLevelColumns(), point),
                                  {{questionLevelColumns().at(level), stored(newName)}});
    });
    return changed;
}

RenameCount questionTypeUse(BankStore& store, const QString& type)
{
    return {questionTypeRowCount(store, type),
            store.count(typeQuery(BankTables::questions, QuestionColumns::type, type))};
}

RenameCount renameQuestionType(BankStore& store, const QString& type, const QString& newName,
                               bool questionsToo)
{
    RenameCount changed;
    store.inTransaction([&] {
        changed.classificationRows =
            store.updateWhere(typeQuery(BankTables::questionTypes, TypeColumns::name, type),
                              {{TypeColumns::name, stored(newName)}});
        if (questionsToo)
            changed.questions =
                store.updateWhere(typeQuery(BankTables::questions, QuestionColumns::type, type),
                                  {{QuestionColumns::type, stored(newName)}});
    });
    return changed;
}

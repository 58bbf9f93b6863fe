#include "classify/ClassificationEdits.h"

#include "store/BankStore.h"
#include "store/BankTables.h"

using namespace Qt::StringLiterals;

namespace {

// "column = ?" for a name shown in the grid. A value the bank holds as NULL
// (written by some other program) shows as the empty text, so the empty text
// matches it too; the explicit collation is the column's own, which the
// functions around both sides would otherwise lose.
QString nameEquals(const QString& column)
{
    return u"IFNULL(\""_s + column + u"\", '') = IFNULL(?, '') COLLATE NOCASE"_s;
}

// An empty field is stored as the empty text, not as NULL.
QString stored(const QString& name)
{
    return name.isNull() ? u""_s : name;
}

} // namespace

qint64 addKnowledgePath(BankStore& store, const KnowledgePath& path)
{
    return store.appendKnowledgePath({stored(path.level1), stored(path.level2), stored(path.level3)});
}

int deleteKnowledgePath(BankStore& store, const KnowledgePath& path)
{
    const QString where = nameEquals(KnowledgeColumns::level1) + u" AND "_s +
                          nameEquals(KnowledgeColumns::level2) + u" AND "_s +
                          nameEquals(KnowledgeColumns::level3);
    return store.deleteWhere({BankTables::knowledgePoints, where, {path.level1, path.level2, path.level3}});
}

qint64 addQuestionType(BankStore& store, const QString& name)
{
    return store.appendQuestionType(stored(name));
}

int deleteQuestionType(BankStore& store, const QString& name)
{
    return store.deleteWhere({BankTables::questionTypes, nameEquals(TypeColumns::name), {name}});
}

#include "classify/ClassificationEdits.h"

#include "store/BankStore.h"

using namespace Qt::StringLiterals;

namespace {

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
    return deleteKnowledgePathRows(store, path);
}

qint64 addQuestionType(BankStore& store, const QString& name)
{
    return store.appendQuestionType(stored(name));
}

int deleteQuestionType(BankStore& store, const QString& name)
{
    return deleteQuestionTypeRows(store, name);
}

KnowledgeRenameChoice chooseKnowledgeRename(const KnowledgePath& chosen, const KnowledgePath& typed)
{
    const QStringList before{chosen.level1, chosen.level2, chosen.level3};
    const QStringList after{typed.level1, typed.level2, typed.level3};
    KnowledgeRenameChoice choice;
    int changed = 0;
    for (int i = 0; i < 3; ++i) {
        if (before[i] == after[i])
            continue;
        ++changed;
        choice.point = {i + 1, before[i], before.mid(0, i)};
        choice.newName = after[i];
    }
    using Problem = KnowledgeRenameChoice::Problem;
    if (changed == 0)
        choice.problem = Problem::NothingChanged;
    else if (changed > 1)
        choice.problem = Problem::SeveralChanged;
    else if (choice.newName.isEmpty())
        choice.problem = Problem::EmptyName;
    return choice;
}

QString knowledgeLevelName(int level)
{
    switch (level) {
    case 1:
        return u"一级知识点"_s;
    case 2:
        return u"二级知识点"_s;
    default:
        return u"三级知识点"_s;
    }
}

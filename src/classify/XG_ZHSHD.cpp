#include "classify/XG_ZHSHD.h"

#include "classify/ClassificationEdits.h"
#include "store/BankTables.h"

using namespace Qt::StringLiterals;

namespace {

ClassificationEditor::Setup knowledgeSetup()
{
    ClassificationEditor::Setup s;
    s.caption = u"编辑知识点"_s;
    s.table = BankTables::knowledgePoints;
    s.columns = 4;
    s.size = {9030, 4000};
    s.position = {2000, 2000};
    s.gridTitle = u"已有知识点分类"_s;
    s.gridGroupTip = u"在这里可以添加或删除各级知识点"_s;
    s.editGroupTip = u"在这里可以添加或删除各级知识点"_s;
    s.fields = {
        {u"Text1"_s, u"一级知识点"_s, u"请填入知识点一！"_s},
        {u"Text3"_s, u"二级知识点"_s, u"请填入知识点二！"_s},
        {u"Text4"_s, u"三级知识点"_s, u"请填入知识点三！"_s},
    };
    s.addQuestion = u"您确定添加知识点吗？"_s;
    return s;
}

KnowledgePath pathOf(const QStringList& names)
{
    return {names.value(0), names.value(1), names.value(2)};
}

} // namespace

XG_ZHSHD::XG_ZHSHD(QWidget* parent) : ClassificationEditor(knowledgeSetup(), parent)
{
    setObjectName(u"XG_ZHSHD"_s);
    Text3 = nameFields().at(1);
    Text4 = nameFields().at(2);
    Form_Load();
}

void XG_ZHSHD::addRow(BankStore& store, const QStringList& names)
{
    addKnowledgePath(store, pathOf(names));
}

void XG_ZHSHD::deleteRows(BankStore& store, const QStringList& names)
{
    deleteKnowledgePath(store, pathOf(names));
}

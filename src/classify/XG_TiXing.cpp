#include "classify/XG_TiXing.h"

#include "classify/ClassificationEdits.h"
#include "store/BankTables.h"

using namespace Qt::StringLiterals;

namespace {

ClassificationEditor::Setup typeSetup()
{
    ClassificationEditor::Setup s;
    s.caption = u"编辑题型"_s;
    s.table = BankTables::questionTypes;
    s.columns = 2;
    s.size = {5550, 2850};
    s.position = {3000, 2000};
    s.gridTitle = u"已有题型"_s;
    s.editGroupTip = u"在这里可以添加或删除题型分类"_s;
    s.fields = {{u"Text1"_s, u"题 型"_s, u"请填入题型！"_s}};
    s.addQuestion = u"您确定添加题型吗？"_s;
    return s;
}

} // namespace

XG_TiXing::XG_TiXing(QWidget* parent) : ClassificationEditor(typeSetup(), parent)
{
    setObjectName(u"XG_TiXing"_s);
    Form_Load();
}

void XG_TiXing::addRow(BankStore& store, const QStringList& names)
{
    addQuestionType(store, names.value(0));
}

void XG_TiXing::deleteRows(BankStore& store, const QStringList& names)
{
    deleteQuestionType(store, names.value(0));
}

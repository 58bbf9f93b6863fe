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

qint64 XG_TiXing::addRow(BankStore& store, const QStringList& names)
{
    return addQuestionType(store, names.value(0));
}

void XG_TiXing::deleteRows(BankStore& store, const QStringList& names)
{
    deleteQuestionType(store, names.value(0));
}

int XG_TiXing::rowsHolding(BankStore& store, const QStringList& names)
{
    return questionTypeRowCount(store, names.value(0));
}

QString XG_TiXing::quoted(const QStringList& names) const
{
    return u"题型“%1”"_s.arg(names.value(0));
}

ClassificationEditor::Rename XG_TiXing::planRename(const QStringList& chosen, const QStringList& typed)
{
    const QString before = chosen.value(0);
    const QString after = typed.value(0);
    Rename r;
    r.field = Text1;
    if (after == before) {
        r.warning = u"请在“题 型”框中填入新的名称，再单击“重命名”。"_s;
        return r;
    }
    if (after.isEmpty()) {
        r.warning = u"新的名称不能为空！"_s;
        return r;
    }
    r.field = nullptr;
    r.what = quoted(chosen);
    r.newName = after;
    r.use = [before](BankStore& store) { return questionTypeUse(store, before); };
    r.apply = [before, after](BankStore& store, bool questionsToo) {
        return renameQuestionType(store, before, after, questionsToo);
    };
    return r;
}

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

qint64 XG_ZHSHD::addRow(BankStore& store, const QStringList& names)
{
    return addKnowledgePath(store, pathOf(names));
}

void XG_ZHSHD::deleteRows(BankStore& store, const QStringList& names)
{
    deleteKnowledgePath(store, pathOf(names));
}

int XG_ZHSHD::rowsHolding(BankStore& store, const QStringList& names)
{
    return knowledgePathRowCount(store, pathOf(names));
}

QString XG_ZHSHD::quoted(const QStringList& names) const
{
    return u"知识点“%1”"_s.arg(names.join(u" / "_s));
}

ClassificationEditor::Rename XG_ZHSHD::planRename(const QStringList& chosen, const QStringList& typed)
{
    const KnowledgeRenameChoice choice = chooseKnowledgeRename(pathOf(chosen), pathOf(typed));
    const QList<QLineEdit*> fields{Text1, Text3, Text4};
    Rename r;
    using Problem = KnowledgeRenameChoice::Problem;
    switch (choice.problem) {
    case Problem::NothingChanged:
        r.warning = u"请在一级、二级或三级知识点的框中填入新的名称，再单击“重命名”。"_s;
        r.field = Text1;
        return r;
    case Problem::SeveralChanged:
        r.warning = u"一次只能给一个知识点改名：请只改一个框中的名称。"_s;
        return r;
    case Problem::EmptyName:
        r.warning = u"新的名称不能为空！"_s;
        r.field = fields.at(choice.point.level - 1);
        return r;
    case Problem::None:
        break;
    }
    r.what = u"%1“%2”"_s.arg(knowledgeLevelName(choice.point.level), choice.point.name);
    r.newName = choice.newName;
    r.use = [point = choice.point](BankStore& store) { return knowledgePointUse(store, point); };
    r.apply = [point = choice.point, name = choice.newName](BankStore& store, bool questionsToo) {
        return renameKnowledgePoint(store, point, name, questionsToo);
    };
    return r;
}

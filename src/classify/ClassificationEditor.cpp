#include "classify/ClassificationEditor.h"

#include "classify/ClassificationGrid.h"
#include "classify/ClassificationGridView.h"
#include "store/BankStore.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Three buttons share a narrow frame; their captions are short.
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 16);
    return b;
}

QLineEdit* makeField(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

} // namespace

ClassificationEditor::ClassificationEditor(const Setup& setup, QWidget* parent)
    : QWidget(parent), setup_(setup), size_(twipsSize(setup.size.width(), setup.size.height())),
      grid_(new ClassificationGrid(this))
{
    setWindowTitle(setup_.caption);
    MSFlexGrid1 = new ClassificationGridView(grid_, this);
    MSFlexGrid1->setObjectName(u"MSFlexGrid1"_s);
    MSFlexGrid1->setToolTip(u"单击各单元格试试"_s);
    MSFlexGrid1->setAccessibleName(setup_.gridTitle);

    auto* gridFrame = new QGroupBox(setup_.gridTitle, this);
    gridFrame->setToolTip(setup_.gridGroupTip);
    (new QVBoxLayout(gridFrame))->addWidget(MSFlexGrid1);

    auto* editFrame = new QGroupBox(u"编辑输入"_s, this);
    editFrame->setToolTip(setup_.editGroupTip);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    Text2 = makeField(u"Text2"_s, editFrame);
    // Shown only: no operation reads it.
    Text2->setReadOnly(true);
    form->addRow(u"ID"_s, Text2);
    for (const NameField& f : setup_.fields) {
        QLineEdit* e = makeField(f.objectName, editFrame);
        form->addRow(f.label, e);
        nameFields_ << e;
    }
    Text1 = nameFields_.first();
    Command2 = makeButton(u"Command2"_s, u"添加"_s, editFrame);
    Command1 = makeButton(u"Command1"_s, u"删除"_s, editFrame);
    Command4 = makeButton(u"Command4"_s, u"重命名"_s, editFrame);
    Command4->setToolTip(u"先单击表格中的一行，在框中改好名称，再单击重命名"_s);
    Command3 = makeButton(u"Command3"_s, u"退出"_s, editFrame);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    buttons->addWidget(Command4);
    buttons->addWidget(Command3);
    auto* editColumn = new QVBoxLayout(editFrame);
    editColumn->addLayout(form);
    editColumn->addStretch(1);
    editColumn->addLayout(buttons);

    auto* row = new QHBoxLayout(this);
    // The grid takes the room its columns need; the fields do with less.
    row->addWidget(gridFrame, 2);
    row->addWidget(editFrame, 1);

    connectAction(MSFlexGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                  &ClassificationEditor::MSFlexGrid1_RowColChange);
    // A click on the cell that is already current chooses its row again.
    connectAction(MSFlexGrid1, &QAbstractItemView::clicked, this,
                  &ClassificationEditor::MSFlexGrid1_RowColChange);
    connectAction(Command2, &QPushButton::clicked, this, &ClassificationEditor::Command2_Click);
    connectAction(Command1, &QPushButton::clicked, this, &ClassificationEditor::Command1_Click);
    connectAction(Command4, &QPushButton::clicked, this, &ClassificationEditor::Command4_Click);
    connectAction(Command3, &QPushButton::clicked, this, &ClassificationEditor::Command3_Click);
}

void ClassificationEditor::Form_Load()
{
    resize(size_);
    move(twipsPoint(setup_.position.x(), setup_.position.y()));
    BankStore store = BankStore::openBank();
    refreshGrid(store);
}

void ClassificationEditor::refreshGrid(BankStore& store, qint64 chosenId)
{
    reloading_ = true;
    bool any = false;
    try {
        any = grid_->refresh(store, setup_.table, setup_.columns);
        MSFlexGrid1->showReloaded(chosenId > 0 ? grid_->gridRowOfId(chosenId) : 0);
    } catch (...) {
        reloading_ = false;
        throw;
    }
    reloading_ = false;
    if (!any)
        dialogs().message(this, u"提示"_s, u"没有查到任何记录"_s);
}

void ClassificationEditor::MSFlexGrid1_RowColChange()
{
    // A reload makes its first row current without choosing it: the fields
    // stay as the reload left them.
    if (reloading_)
        return;
    const int r = MSFlexGrid1->currentGridRow();
    if (r < 1)
        return;
    Text2->setText(grid_->cell(r, 0));
    for (int c = 0; c < nameFields_.size(); ++c)
        nameFields_[c]->setText(grid_->cell(r, c + 1));
}

QStringList ClassificationEditor::typedNames() const
{
    QStringList names;
    for (const QLineEdit* e : nameFields_)
        names << e->text();
    return names;
}

void ClassificationEditor::clearFields()
{
    Text2->clear();
    for (QLineEdit* e : std::as_const(nameFields_))
        e->clear();
}

void ClassificationEditor::Command2_Click()
{
    // Each empty name is pointed out, but the add goes on to its question:
    // an empty name is a name the bank can hold.
    for (int c = 0; c < nameFields_.size(); ++c) {
        if (nameFields_[c]->text().isEmpty())
            dialogs().message(this, u"警告"_s, setup_.fields[c].warning);
        nameFields_[c]->setFocus(Qt::OtherFocusReason);
    }
    if (!dialogs().question(this, u"提示"_s, setup_.addQuestion))
        return;
    BankStore store = BankStore::openBank();
    const qint64 id = addRow(store, typedNames());
    dialogs().message(this, u"提示"_s, u"添加成功"_s);
    clearFields();
    refreshGrid(store, id);
}

void ClassificationEditor::Command1_Click()
{
    const int r = MSFlexGrid1->currentGridRow();
    if (r < 1) {
        dialogs().message(this, u"提示"_s,
                          grid_->gridRows() > 1 ? u"请先在表格中单击要删除的一行。"_s
                                                : u"表格中没有记录，没有可删除的。"_s);
        return;
    }
    // The row is the grid's, not what the fields hold now.
    const QStringList row = grid_->gridRow(r);
    BankStore store = BankStore::openBank();
    QString text = u"您是否确定删除"_s + grid_->cell(0, 0) + u"："_s + grid_->cell(r, 0);
    // Every row with the same names goes: say so when that is more than this one.
    if (const int rows = rowsHolding(store, row.mid(1)); rows > 1)
        text += u"\n"_s + quoted(row.mid(1)) + u"共有%1行，将一起删除。"_s.arg(rows);
    const bool yes = dialogs().question(this, u"提示"_s, text);
    if (yes) {
        deleteRows(store, row.mid(1));
        dialogs().message(this, u"提示"_s, u"删除成功！"_s);
    }
    clearFields();
    refreshGrid(store);
}

void ClassificationEditor::Command4_Click()
{
    const int r = MSFlexGrid1->currentGridRow();
    if (r < 1) {
        dialogs().message(this, u"提示"_s,
                          grid_->gridRows() > 1 ? u"请先在表格中单击要重命名的一行，再在框中改好名称。"_s
                                                : u"表格中没有记录，没有可重命名的。"_s);
        return;
    }
    const QStringList row = grid_->gridRow(r);
    const Rename rename = planRename(row.mid(1), typedNames());
    if (!rename.warning.isEmpty()) {
        dialogs().message(this, u"警告"_s, rename.warning);
        if (rename.field)
            rename.field->setFocus(Qt::OtherFocusReason);
        return;
    }
    BankStore store = BankStore::openBank();
    const RenameCount use = rename.use(store);
    QString text = u"您确定把%1改名为“%2”吗？"_s.arg(rename.what, rename.newName);
    if (use.classificationRows > 1)
        text += u"\n%1中有%2行用到它，将一起改名。"_s.arg(setup_.table).arg(use.classificationRows);
    if (!dialogs().question(this, u"提示"_s, text))
        return;
    // The questions filed under the old name change only on the teacher's word.
    const bool questionsToo =
        use.questions > 0 &&
        dialogs().question(this, u"提示"_s,
                           u"题库中有%1道题目用的是%2，是否把这些题目也一起改为“%3”？"_s.arg(use.questions)
                               .arg(rename.what, rename.newName));
    const RenameCount changed = rename.apply(store, questionsToo);
    QString done = u"重命名成功！%1中改了%2行，题库中改了%3道题目。"_s.arg(setup_.table)
                       .arg(changed.classificationRows)
                       .arg(changed.questions);
    if (!questionsToo && use.questions > 0)
        done += u"\n另有%1道题目仍用原来的名称。"_s.arg(use.questions);
    dialogs().message(this, u"提示"_s, done);
    clearFields();
    refreshGrid(store, grid_->cell(r, 0).toLongLong());
}

void ClassificationEditor::Command3_Click()
{
    hide();
}

#include "compose/CriteriaWindow.h"

#include "questions/KnowledgeTreePicker.h"
#include "store/BankStore.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/TypedComboBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QComboBox* makeCombo(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    makeEditableAsTyped(c);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    return c;
}

QLineEdit* makeLine(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

CriteriaWindow::CriteriaWindow(const QString& name, const QString& caption, const QString& confirmTip,
                               QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setWindowTitle(caption);

    auto* fieldsGroup = new QGroupBox(u"题目信息"_s, this);
    Combo1 = makeCombo(u"Combo1"_s, {}, fieldsGroup);
    Text2 = makeLine(u"Text2"_s, fieldsGroup);
    Text3 = makeLine(u"Text3"_s, fieldsGroup);
    Text4 = makeLine(u"Text4"_s, fieldsGroup);
    Combo2 = makeCombo(u"Combo2"_s, {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}, fieldsGroup);
    Combo3 = makeCombo(u"Combo3"_s, {u"否"_s, u"是"_s}, fieldsGroup);
    Text6 = makeLine(u"Text6"_s, fieldsGroup);
    Text7 = makeLine(u"Text7"_s, fieldsGroup);
    Text8 = makeLine(u"Text8"_s, fieldsGroup);
    const std::pair<QString, QWidget*> fields[] = {
        {u"题    型"_s, Combo1},  {u"一级知识点"_s, Text2}, {u"二级知识点"_s, Text3},
        {u"三级知识点"_s, Text4}, {u"难    度"_s, Combo2},  {u"是否中考题"_s, Combo3},
        {u"录 入 人"_s, Text6},   {u"录入时间"_s, Text7},   {u"题目编号"_s, Text8},
    };
    auto* grid = new QGridLayout(fieldsGroup);
    // Two labelled fields a row, so that the tree keeps room below.
    int i = 0;
    for (const auto& [text, field] : fields) {
        auto* label = new QLabel(text, fieldsGroup);
        label->setBuddy(field);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(field, i / 2, (i % 2) * 2 + 1);
        ++i;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    // Tight rows: every pixel saved here is a row more of the tree.
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(3);

    auto* treeGroup = new QGroupBox(u"知识点选项"_s, this);
    tv = new QTreeWidget(treeGroup);
    tv->setObjectName(u"tv"_s);
    tv->setAccessibleName(u"知识点"_s);
    tv->setToolTip(u"在这里依次单击各级知识点即可填入相应的内容"_s);
    auto* hint = new QLabel(u"在这里依次单击各级知识点即可填入相应的内容"_s, treeGroup);
    hint->setWordWrap(true);
    auto* treeLayout = new QVBoxLayout(treeGroup);
    treeLayout->setContentsMargins(4, 2, 4, 4);
    treeLayout->setSpacing(2);
    treeLayout->addWidget(hint);
    treeLayout->addWidget(tv, 1);
    picker_ = new KnowledgeTreePicker(tv, Text2, Text3, Text4, this);

    Label7 = new QLabel(u"请填入第（1）题的搜索信息…"_s, this);
    Label7->setObjectName(u"Label7"_s);

    auto* buttonGroup = new QGroupBox(u"操作选项"_s, this);
    Command1 = makeButton(u"Command1"_s, u"确  定"_s, buttonGroup);
    Command1->setToolTip(confirmTip);
    Command2 = makeButton(u"Command2"_s, u"退  出"_s, buttonGroup);
    Command3 = makeButton(u"Command3"_s, u"清除信息"_s, buttonGroup);
    auto* buttons = new QHBoxLayout(buttonGroup);
    buttons->setContentsMargins(6, 2, 6, 4);
    buttons->addWidget(Command1);
    buttons->addWidget(Command3);
    buttons->addWidget(Command2);

    // The fields keep their height; the tree takes whatever the window is
    // given beyond its starting size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(fieldsGroup);
    layout->addWidget(treeGroup, 1);
    layout->addWidget(Label7);
    layout->addWidget(buttonGroup);

    resize(sizeHint());
    move(twipsPoint(2000, 150));

    connectAction(Command1, &QPushButton::clicked, this, &CriteriaWindow::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &CriteriaWindow::Command2_Click);
    connectAction(Command3, &QPushButton::clicked, this, &CriteriaWindow::Command3_Click);

    BankStore store = BankStore::openBank();
    picker_->build(store);
    for (const QuestionType& t : store.questionTypes())
        Combo1->addItem(t.name);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
}

CompositionCriteria CriteriaWindow::criteria() const
{
    CompositionCriteria c;
    c.type = Combo1->currentText();
    c.path = {Text2->text(), Text3->text(), Text4->text()};
    c.difficulty = Combo2->currentText();
    c.entranceExam = Combo3->currentText();
    c.enteredBy = Text6->text();
    c.enteredAt = Text7->text();
    c.number = Text8->text();
    return c;
}

void CriteriaWindow::Command2_Click()
{
    hide();
}

void CriteriaWindow::Command3_Click()
{
    for (QComboBox* c : {Combo1, Combo2, Combo3}) {
        c->setCurrentIndex(-1);
        c->setEditText(QString());
    }
    for (QLineEdit* e : {Text2, Text3, Text4, Text6, Text7, Text8})
        e->clear();
}

void CriteriaWindow::showEvent(QShowEvent* event)
{
    refreshPrompt();
    QWidget::showEvent(event);
}

void CriteriaWindow::message(const QString& text)
{
    dialogs().message(this, u"提示"_s, text);
}

QSize CriteriaWindow::sizeHint() const
{
    return twipsSize(5625, 7185);
}

#include "questions/frmseastu.h"

#include "ui/StoreAction.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmseastu::frmseastu(QWidget* parent)
    : QuestionBrowsingWindow(QuestionForm::searchLabels(), parent),
      Command6(makeButton("Command6", u"开始搜索"_s, u"单击即可按条件搜索"_s)),
      Command8(makeButton("Command8", u"全部清除"_s)), Command2(makeButton("Command2", u"第一个"_s)),
      Command7(makeButton("Command7", u"上一个"_s)), Command5(makeButton("Command5", u"下一个"_s)),
      Command3(makeButton("Command3", u"最后一个"_s)),
      Command1(makeButton("Command1", u"总  数"_s, u"单击可显示搜索到的题目总数"_s)),
      Command4(makeButton("Command4", u"退  出"_s))
{
    setObjectName(u"frmseastu"_s);
    setWindowTitle(u"查询、浏览"_s);

    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(
        buttonGroup(u"搜索及显示"_s, {Command6, Command2, Command5, Command8, Command7, Command3}, 3), 3);
    row->addWidget(buttonGroup(u"统计及退出"_s, {Command1, Command4}, 1), 1);
    arrange(bottom);

    connectAction(Command6, &QPushButton::clicked, this, &frmseastu::Command6_Click);
    connectAction(Command2, &QPushButton::clicked, this, &frmseastu::Command2_Click);
    connectAction(Command7, &QPushButton::clicked, this, &frmseastu::Command7_Click);
    connectAction(Command5, &QPushButton::clicked, this, &frmseastu::Command5_Click);
    connectAction(Command3, &QPushButton::clicked, this, &frmseastu::Command3_Click);
    connectAction(Command1, &QPushButton::clicked, this, &frmseastu::Command1_Click);
    connectAction(Command8, &QPushButton::clicked, this, &frmseastu::Command8_Click);
    connectAction(Command4, &QPushButton::clicked, this, &frmseastu::Command4_Click);

    setResultButtonsEnabled(false);
    loadWindow();
}

void frmseastu::setResultButtonsEnabled(bool on)
{
    for (QPushButton* b : {Command1, Command2, Command3, Command5, Command7})
        b->setEnabled(on);
}

void frmseastu::Command6_Click()
{
    if (search())
        setResultButtonsEnabled(true);
}

void frmseastu::Command2_Click()
{
    showStep(browser_.first());
}

void frmseastu::Command7_Click()
{
    showStep(browser_.previous());
}

void frmseastu::Command5_Click()
{
    showStep(browser_.next());
}

void frmseastu::Command3_Click()
{
    showStep(browser_.last());
}

void frmseastu::Command1_Click()
{
    message(u"找到的题目总数是："_s + QString::number(browser_.count()));
}

void frmseastu::Command8_Click()
{
    form_->clear();
}

void frmseastu::Command4_Click()
{
    if (!ask(u"您确定退出吗？"_s))
        return;
    // The next showing starts afresh: no result, empty fields, no moves.
    browser_.close();
    hide();
    form_->clear();
    setResultButtonsEnabled(false);
}

#include "questions/frmeditstu.h"

#include "ui/EditTargets.h"
#include "ui/StoreAction.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmeditstu::frmeditstu(QWidget* parent)
    : QuestionBrowsingWindow(QuestionForm::entryLabels(), parent),
      Command6(makeButton("Command6", u"开始搜索"_s, u"单击即可按条件搜索"_s)),
      Command9(makeButton("Command9", u"全部清除"_s)), Command1(makeButton("Command1", u"第一个"_s)),
      Command7(makeButton("Command7", u"上一个"_s)), Command5(makeButton("Command5", u"下一个"_s)),
      Command8(makeButton("Command8", u"最后一个"_s)), Command2(makeButton("Command2", u"修改题目"_s)),
      Command3(makeButton("Command3", u"删除题目"_s)), Command4(makeButton("Command4", u"退  出"_s))
{
    setObjectName(u"frmeditstu"_s);
    setWindowTitle(u"修改题目"_s);

    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(
        buttonGroup(u"搜索及显示"_s, {Command6, Command1, Command5, Command9, Command7, Command8}, 3), 3);
    row->addWidget(buttonGroup(u"编辑方式"_s, {Command2, Command3, Command4}, 1), 1);
    arrange(bottom);
    form_->useEditMenu(EditTarget::EditContent, EditTarget::EditAnswer);

    connectAction(Command6, &QPushButton::clicked, this, &frmeditstu::Command6_Click);
    connectAction(Command1, &QPushButton::clicked, this, &frmeditstu::Command1_Click);
    connectAction(Command7, &QPushButton::clicked, this, &frmeditstu::Command7_Click);
    connectAction(Command5, &QPushButton::clicked, this, &frmeditstu::Command5_Click);
    connectAction(Command8, &QPushButton::clicked, this, &frmeditstu::Command8_Click);
    connectAction(Command2, &QPushButton::clicked, this, &frmeditstu::Command2_Click);
    connectAction(Command3, &QPushButton::clicked, this, &frmeditstu::Command3_Click);
    connectAction(Command9, &QPushButton::clicked, this, &frmeditstu::Command9_Click);
    connectAction(Command4, &QPushButton::clicked, this, &frmeditstu::Command4_Click);

    for (QPushButton* b : {Command2, Command3, Command1, Command7, Command5, Command8})
        b->setEnabled(false);
    loadWindow();
}

QString frmeditstu::noCurrentText()
{
    return u"当前没有显示可以修改或删除的题目：它已被删除、表单已清除，或者上次搜索没有找到题目。"
           u"请先搜索或翻到一道题。"_s;
}

void frmeditstu::Command6_Click()
{
    // Once on, the buttons stay on: modify and delete check for a question themselves.
    if (search()) {
        for (QPushButton* b : {Command2, Command3, Command1, Command7, Command5, Command8})
            b->setEnabled(true);
    }
}

void frmeditstu::Command1_Click()
{
    showStep(browser_.first());
}

void frmeditstu::Command7_Click()
{
    showStep(browser_.previous());
}

void frmeditstu::Command5_Click()
{
    showStep(browser_.next());
}

void frmeditstu::Command8_Click()
{
    showStep(browser_.last());
}

bool frmeditstu::canChange(const QString& missingNumberText)
{
    if (form_->Text8->text().isEmpty()) {
        message(missingNumberText);
        form_->Text8->setFocus();
        return false;
    }
    // Only the question on show: never one the teacher cannot see.
    if (!showsCurrent()) {
        message(noCurrentText());
        return false;
    }
    return true;
}

void frmeditstu::Command2_Click()
{
    if (!canChange(u"请先填入要修改的题目编号！"_s))
        return;
    if (!ask(u"您是否确定修改当前记录？题目编号："_s + form_->Text8->text()))
        return;
    // A failure throws before the message; the fields keep what was typed.
    browser_.updateCurrent(form_->record());
    message(u"修改成功"_s);
}

void frmeditstu::Command3_Click()
{
    if (!canChange(u"请先填入要删除的题目编号！"_s))
        return;
    if (!ask(u"您是否确定删除当前记录？题目编号："_s + form_->Text8->text()))
        return;
    browser_.deleteCurrent();
    forgetShown();
    message(u"记录已被删除！"_s);
    // 录入人 stays: the teacher who deletes is usually the one who goes on.
    const QString enteredBy = form_->Text6->text();
    form_->clear();
    form_->Text6->setText(enteredBy);
}

void frmeditstu::Command9_Click()
{
    // The result and its position stay (下一个 goes on from here), but with
    // the form empty nothing is on show to change.
    form_->clear();
    forgetShown();
}

void frmeditstu::Command4_Click()
{
    // Only hides: the next showing goes on with the same question and result.
    if (ask(u"您确定退出吗？"_s))
        hide();
}

#include "admin/GuanLiXG.h"

#include "admin/AdminWindowParts.h"
#include "admin/UserAdministration.h"
#include "store/CurrentUser.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
namespace Parts = AdminWindowParts;

GuanLiXG::GuanLiXG(QWidget* parent)
    : QWidget(parent), Text3(Parts::textBox(this, "Text3")), Text2(Parts::passwordBox(this, "Text2")),
      Text1(Parts::passwordBox(this, "Text1")), Combo1(new QComboBox(this)),
      Command1(Parts::button(this, "Command1", u"打开"_s)),
      Command3(Parts::button(this, "Command3", u"修改"_s)),
      Command2(Parts::button(this, "Command2", u"退出"_s))
{
    setObjectName(u"GuanLiXG"_s);
    setWindowTitle(u"修改"_s);
    Text3->setReadOnly(true);
    Combo1->setObjectName(u"Combo1"_s);
    Combo1->addItems(UserAdministration::roles());
    Combo1->setCurrentIndex(-1);

    auto* frame = new QGroupBox(u"修改"_s, this);
    frame->setObjectName(u"Frame1"_s);
    frame->setToolTip(u"在这里修改使用者的密码"_s);
    auto* grid = new QGridLayout(frame);
    const std::pair<QString, QWidget*> rows[] = {{u"姓    名："_s, Text3},
                                                 {u"口    令："_s, Text2},
                                                 {u"确认口令："_s, Text1},
                                                 {u"人员类型："_s, Combo1}};
    int row = 0;
    for (const auto& [caption, box] : rows) {
        grid->addWidget(Parts::label(frame, caption, box), row, 0);
        grid->addWidget(box, row++, 1);
    }
    // Three buttons side by side in a narrow window: tight margins.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (QPushButton* b : {Command1, Command3, Command2}) {
        b->setMinimumWidth(0);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    setTabOrder(Text3, Text2);
    setTabOrder(Text2, Text1);
    setTabOrder(Text1, Combo1);
    setTabOrder(Combo1, Command1);
    setTabOrder(Command1, Command3);
    setTabOrder(Command3, Command2);

    connectAction(Command1, &QPushButton::clicked, this, &GuanLiXG::Command1_Click);
    connectAction(Command3, &QPushButton::clicked, this, &GuanLiXG::Command3_Click);
    connectAction(Command2, &QPushButton::clicked, this, &GuanLiXG::Command2_Click);

    Form_Load();
}

QSize GuanLiXG::sizeHint() const
{
    return twipsSize(3950, 3780);
}

void GuanLiXG::Form_Load()
{
    Parts::place(this, 4000, 1000, 3950, 3780);
    Command3->setEnabled(false);
    Combo1->setEnabled(CurrentUser().isSuperAdmin);
    Text3->setText(CurrentUser().userName);
}

void GuanLiXG::fail(const QString& title, const QString& text)
{
    dialogs().message(this, title, text, Dialogs::Icon::Critical);
}

void GuanLiXG::Command1_Click()
{
    if (Text2->text().isEmpty()) {
        fail(u"打开失败"_s, u"请输入口令"_s);
        Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    const std::optional<StoredUser> proven = UserAdministration::provenUser(Text3->text(), Text2->text());
    if (!proven) {
        Command3->setEnabled(false);
        openedId_ = -1;
        dialogs().message(this, u"提示"_s, u"没有此人，请重新输入！"_s);
        return;
    }
    CurrentUser().userName = Text3->text();
    openedId_ = proven->id;
    openedRole_ = proven->user.role;
    Combo1->setCurrentIndex(Combo1->findText(openedRole_));
    Command3->setEnabled(true);
}

void GuanLiXG::Command3_Click()
{
    if (Text2->text() != Text1->text()) {
        fail(u"修改失败"_s, u"口令不一致！请重填"_s);
        Text2->clear();
        Text1->clear();
        Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (Text3->text().trimmed().isEmpty()) {
        fail(u"打开失败"_s, u"请输入姓名"_s);
        Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (Text2->text().isEmpty()) {
        fail(u"打开失败"_s, u"请输入口令"_s);
        Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (Combo1->currentText().isEmpty()) {
        fail(u"打开失败"_s, u"请选择人员类型"_s);
        return;
    }
    const QString userName = CurrentUser().userName;
    if (!dialogs().question(this, u"提示"_s,
                            u"您是否确定修改当前记录？"_s + u"姓名："_s + userName + u"，人员类型："_s +
                                openedRole_))
        return;
    switch (UserAdministration::changeUser(openedId_, Text3->text(), Text2->text(), Combo1->currentText())) {
    case UserAdministration::ChangeOutcome::Changed:
        break;
    case UserAdministration::ChangeOutcome::Gone:
        fail(u"修改失败"_s, u"此人员已被删除，没有修改任何记录！"_s);
        Command3->setEnabled(false);
        return;
    case UserAdministration::ChangeOutcome::LastSuperAdmin:
        fail(u"修改失败"_s,
             u"您是系统中唯一的超级管理人员，不能改为其他人员类型！否则将无人能管理人员和题库。"_s);
        Combo1->setCurrentIndex(Combo1->findText(openedRole_));
        return;
    }
    dialogs().message(this, u"提示"_s, u"修改成功"_s);
    Command3->setEnabled(false);
}

void GuanLiXG::Command2_Click()
{
    close();
}

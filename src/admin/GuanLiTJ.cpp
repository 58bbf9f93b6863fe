#include "admin/GuanLiTJ.h"

#include "admin/AdminWindowParts.h"
#include "admin/UserAdministration.h"
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
using UserAdministration::NewUserProblem;

GuanLiTJ::GuanLiTJ(QWidget* parent)
    : QWidget(parent), NameTxt(Parts::textBox(this, "NameTxt")),
      Password(Parts::passwordBox(this, "Password")), Text1(Parts::passwordBox(this, "Text1")),
      UTypes(new QComboBox(this)), Command1(Parts::button(this, "Command1", u"添加"_s)),
      Command2(Parts::button(this, "Command2", u"退出"_s))
{
    setObjectName(u"GuanLiTJ"_s);
    setWindowTitle(u"添加人员"_s);
    UTypes->setObjectName(u"UTypes"_s);
    UTypes->addItems(UserAdministration::roles());
    UTypes->setCurrentIndex(-1); // nothing chosen at first

    auto* frame = new QGroupBox(u"添加人员"_s, this);
    frame->setObjectName(u"Frame1"_s);
    frame->setToolTip(u"在这里添加题库使用者"_s);
    auto* grid = new QGridLayout(frame);
    const std::pair<QString, QWidget*> rows[] = {{u"姓    名："_s, NameTxt},
                                                 {u"口    令："_s, Password},
                                                 {u"确认口令："_s, Text1},
                                                 {u"人员类型："_s, UTypes}};
    int row = 0;
    for (const auto& [caption, box] : rows) {
        grid->addWidget(Parts::label(frame, caption, box), row, 0);
        grid->addWidget(box, row++, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addSpacing(20);
    buttons->addWidget(Command2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    setTabOrder(NameTxt, Password);
    setTabOrder(Password, Text1);
    setTabOrder(Text1, UTypes);
    setTabOrder(UTypes, Command1);
    setTabOrder(Command1, Command2);

    connectAction(Command1, &QPushButton::clicked, this, &GuanLiTJ::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &GuanLiTJ::Command2_Click);

    Parts::place(this, 4000, 1000, 4300, 3840);
}

QSize GuanLiTJ::sizeHint() const
{
    return twipsSize(4300, 3840);
}

void GuanLiTJ::fail(const QString& text, QWidget* focus)
{
    dialogs().message(this, u"添加失败"_s, text, Dialogs::Icon::Critical);
    focus->setFocus(Qt::OtherFocusReason);
}

void GuanLiTJ::Command1_Click()
{
    const QString name = NameTxt->text();
    const QString password = Password->text();
    const QString role = UTypes->currentIndex() < 0 ? QString() : UTypes->currentText();
    switch (UserAdministration::checkNewUser(name, password, Text1->text(), role)) {
    case NewUserProblem::EmptyName:
        fail(u"请输入姓名"_s, NameTxt);
        return;
    case NewUserProblem::EmptyPassword:
        fail(u"请输入口令"_s, Password);
        return;
    case NewUserProblem::NoRole:
        fail(u"请输入人员类型"_s, UTypes);
        return;
    case NewUserProblem::PasswordsDiffer:
        Password->clear();
        Text1->clear();
        fail(u"口令不一致！请重填"_s, Password);
        return;
    case NewUserProblem::NameTaken:
    case NewUserProblem::None:
        break;
    }

    if (UserAdministration::addUser(name, password, role) == NewUserProblem::NameTaken) {
        // The passwords and the role stay: only the name has to change.
        fail(u"已有同名人员！请换一个姓名"_s, NameTxt);
        NameTxt->selectAll();
        return;
    }
    dialogs().message(this, u"提示"_s, u"人员信息添加成功"_s);
    NameTxt->clear();
    Password->clear();
    Text1->clear();
    // The next account's role is chosen on purpose, never taken over from this one.
    UTypes->setCurrentIndex(-1);
}

void GuanLiTJ::Command2_Click()
{
    hide();
}

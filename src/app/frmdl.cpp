#include "app/frmdl.h"

#include "app/MDIForm1.h"
#include "store/CurrentUser.h"
#include "store/LoginCheck.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmdl::frmdl(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Text1(new QLineEdit(this)), Text2(new QLineEdit(this)), Commok(new QPushButton(u"确定"_s, this)),
      Commcancel(new QPushButton(u"退出"_s, this))
{
    setObjectName(u"frmdl"_s);
    setWindowTitle(u"系统身份验证"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* heading = new QLabel(u"欢迎使用题库管理系统"_s, this);
    heading->setObjectName(u"Label1"_s);
    QFont hf = heading->font();
    hf.setPointSize(14);
    hf.setBold(true);
    heading->setFont(hf);
    heading->setAlignment(Qt::AlignCenter);
    auto* nameLabel = new QLabel(u"用户名："_s, this);
    nameLabel->setObjectName(u"Label2"_s);
    auto* passwordLabel = new QLabel(u"密  码："_s, this);
    passwordLabel->setObjectName(u"Label3"_s);
    // The labels name the boxes for screen readers.
    nameLabel->setBuddy(Text1);
    passwordLabel->setBuddy(Text2);

    Text1->setObjectName(u"Text1"_s);
    Text2->setObjectName(u"Text2"_s);
    Commok->setObjectName(u"Commok"_s);
    Commcancel->setObjectName(u"Commcancel"_s);
    for (QLineEdit* box : {Text1, Text2}) {
        box->setMaxLength(20);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QColor(128, 255, 128));
        pal.setColor(QPalette::Text, QColor(0, 0, 0));
        box->setPalette(pal);
        box->setAutoFillBackground(true);
    }
    Text2->setEchoMode(QLineEdit::Password);
    Text2->setStyleSheet(u"QLineEdit { lineedit-password-character: 42; background: rgb(128,255,128); }"_s);
    Text1->setStyleSheet(u"QLineEdit { background: rgb(128,255,128); }"_s);

    auto* grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(Text2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Commok);
    buttons->addWidget(Commcancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addSpacing(10);
    layout->addLayout(grid);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Commok);
    setTabOrder(Commok, Commcancel);

    // Enter in either box logs in, like the button.
    connectAction(Text1, &QLineEdit::returnPressed, this, &frmdl::Commok_Click);
    connectAction(Text2, &QLineEdit::returnPressed, this, &frmdl::Commok_Click);
    connectAction(Commok, &QPushButton::clicked, this, &frmdl::Commok_Click);
    connectAction(Commcancel, &QPushButton::clicked, this, &frmdl::Commcancel_Click);

    Form_Load();
}

void frmdl::Form_Load()
{
    const QRect r = twipsRect(4000, 1000, 4440, 3480);
    resize(r.size());
    move(r.topLeft());
}

void frmdl::warn(const QString& text)
{
    dialogs().message(this, u"警告"_s, text);
}

void frmdl::Commok_Click()
{
    // A bank that cannot be read throws: nobody is logged in, and the window
    // stays for another try.
    const LoginOutcome outcome = checkLogin(Text1->text(), Text2->text());
    switch (outcome.kind) {
    case LoginOutcome::EmptyName:
        warn(u"请输入用户名"_s);
        Text1->setFocus();
        return;
    case LoginOutcome::EmptyPassword:
        warn(u"请输入密码"_s);
        Text2->setFocus();
        return;
    case LoginOutcome::NoSuchUser:
        warn(u"系统中无此用户"_s);
        Text1->clear();
        Text2->clear();
        Text1->setFocus();
        return;
    case LoginOutcome::WrongPassword:
        warn(u"密码错误"_s);
        Text2->clear();
        Text2->setFocus();
        return;
    case LoginOutcome::LoggedIn:
        break;
    }

    CurrentUser().userName = outcome.userName;
    CurrentUser().userId = outcome.userId;
    CurrentUser().setRole(outcome.role);
    WindowRegistry::instance().window<MDIForm1>()->show();
    loggedIn_ = true;
    close();
}

void frmdl::Commcancel_Click()
{
    QCoreApplication::exit(0);
}

void frmdl::closeEvent(QCloseEvent* event)
{
    // The close box ends the program, unless the login has just succeeded.
    if (!loggedIn_)
        QCoreApplication::exit(0);
    event->accept();
}

#include "app/frmdl.h"

#include "app/MDIForm1.h"
#include "store/BankStore.h"
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

frmdl::frmdl(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Text1(new QLineEdit(this)), Text2(new QLineEdit(this)),
      Commok(new QPushButton(QStringLiteral(u"确定"), this)),
      Commcancel(new QPushButton(QStringLiteral(u"退出"), this))
{
    setObjectName(QStringLiteral("frmdl"));
    setWindowTitle(QStringLiteral(u"系统身份验证"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* heading = new QLabel(QStringLiteral(u"欢迎使用题库管理系统"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    QFont hf = heading->font();
    hf.setPointSize(14);
    hf.setBold(true);
    heading->setFont(hf);
    heading->setAlignment(Qt::AlignCenter);
    auto* nameLabel = new QLabel(QStringLiteral(u"用户名："), this);
    nameLabel->setObjectName(QStringLiteral("Label2"));
    auto* passwordLabel = new QLabel(QStringLiteral(u"密  码："), this);
    passwordLabel->setObjectName(QStringLiteral("Label3"));

    Text1->setObjectName(QStringLiteral("Text1"));
    Text2->setObjectName(QStringLiteral("Text2"));
    Commok->setObjectName(QStringLiteral("Commok"));
    Commcancel->setObjectName(QStringLiteral("Commcancel"));
    for (QLineEdit* box : {Text1, Text2}) {
        box->setMaxLength(20);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QColor(128, 255, 128));
        pal.setColor(QPalette::Text, QColor(0, 0, 0));
        box->setPalette(pal);
        box->setAutoFillBackground(true);
    }
    Text2->setEchoMode(QLineEdit::Password);
    Text2->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: 42; background: rgb(128,255,128); }"));
    Text1->setStyleSheet(QStringLiteral("QLineEdit { background: rgb(128,255,128); }"));

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
    connect(Text1, &QLineEdit::returnPressed, this, &frmdl::Commok_Click);
    connect(Text2, &QLineEdit::returnPressed, this, &frmdl::Commok_Click);
    connect(Commok, &QPushButton::clicked, this, &frmdl::Commok_Click);
    connect(Commcancel, &QPushButton::clicked, this, &frmdl::Commcancel_Click);

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
    dialogs().message(this, QStringLiteral(u"警告"), text);
}

void frmdl::Commok_Click()
{
    LoginOutcome outcome;
    const bool read = runStoreAction(this, [&] { outcome = checkLogin(Text1->text(), Text2->text()); });
    if (!read)
        return; // nobody is logged in; the window stays for another try

    switch (outcome.kind) {
    case LoginOutcome::EmptyName:
        warn(QStringLiteral(u"请输入用户名"));
        Text1->setFocus();
        return;
    case LoginOutcome::EmptyPassword:
        warn(QStringLiteral(u"请输入密码"));
        Text2->setFocus();
        return;
    case LoginOutcome::NoSuchUser:
        warn(QStringLiteral(u"系统中无此用户"));
        Text1->clear();
        Text2->clear();
        Text1->setFocus();
        return;
    case LoginOutcome::WrongPassword:
        warn(QStringLiteral(u"密码错误"));
        Text2->clear();
        Text2->setFocus();
        return;
    case LoginOutcome::LoggedIn:
        break;
    }

    CurrentUser().userName = outcome.userName;
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

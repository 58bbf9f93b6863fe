#include "app/frmdl.h"

#include "admin/AutomaticBackup.h"
#include "admin/BankMaintenance.h"
#include "admin/BankRescue.h"
#include "admin/frmbackup.h"
#include "app/MDIForm1.h"
#include "store/CurrentUser.h"
#include "store/LoginCheck.h"
#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
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

void frmdl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (bankLookedAt_)
        return;
    bankLookedAt_ = true;
    // Once the window is on the screen: a bank that cannot be used is said
    // before the teacher types a name, with the way out.
    QTimer::singleShot(0, this, [this] {
        runStoreAction(this, [this] {
            if (const std::optional<QString> problem = BankRescue::problemWith(bankFilePath()))
                offerRestore(*problem);
        });
    });
}

bool frmdl::offerRestore(const QString& problem)
{
    const QString bank = bankFilePath();
    const QString said = u"题库文件不能使用，现在无法登录。\n"_s + problem;
    QString source = AutomaticBackup::newestGood(bank);
    if (!source.isEmpty()) {
        const QString when = AutomaticBackup::madeAt(source).toString(u"yyyy年M月d日 HH:mm"_s);
        const QString offer =
            u"\n\n是否用最近一次完好的自动备份“%1”（%2）恢复题库？\n选择“否”可以另选一个备份文件。"_s;
        if (!dialogs().question(this, u"警告"_s, said + offer.arg(QDir::toNativeSeparators(source), when)))
            source.clear();
    } else {
        const QString offer = u"\n\n在“%1”中没有找到完好的自动备份。是否选择一个备份文件来恢复题库？"_s;
        if (!dialogs().question(this, u"警告"_s,
                                said + offer.arg(QDir::toNativeSeparators(AutomaticBackup::folderFor(bank)))))
            return false;
    }
    if (source.isEmpty()) {
        source = dialogs().openFileName(this, u"打开"_s, frmbackup::fileFilter());
        if (source.isEmpty())
            return false;
    }
    // A missing bank may have taken its folder with it.
    QDir().mkpath(QFileInfo(bank).absolutePath());
    const BankMaintenance::RestoreResult result = BankMaintenance::restore(source, bank);
    if (!result.restored) {
        warn(result.refusal);
        return false;
    }
    dialogs().message(this, u"提示"_s, BankMaintenance::restoredMessage(result));
    return true;
}

void frmdl::Commok_Click()
{
    // A bank that cannot be read throws: nobody is logged in, and the window
    // stays for another try. One that cannot be used at all gets the offer
    // to restore it, and the login goes on once it is.
    LoginOutcome outcome;
    try {
        outcome = checkLogin(Text1->text(), Text2->text());
    } catch (const StoreError& e) {
        if (!BankRescue::isDamage(e))
            throw;
        if (!offerRestore(e.text))
            return;
        outcome = checkLogin(Text1->text(), Text2->text());
    }
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

#include "app/frmSplash.h"

#include "app/CoverArt.h"
#include "app/frmdl.h"
#include "BuildInfo.h"
#include "store/ProgramDirectory.h"
#include "ui/StoreAction.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(u"frmSplash"_s);
    setWindowTitle(u"关于"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* frame = new QFrame(this);
    frame->setObjectName(u"Frame1"_s);
    frame->setFrameShape(QFrame::Box);

    auto* logo = new QLabel(frame);
    logo->setObjectName(u"imgLogo"_s);
    logo->setPixmap(QPixmap::fromImage(drawLogo()));
    logo->setFixedSize(32, 32);

    auto label = [frame](const char* name, const QString& text, int pointSize, bool bold) {
        auto* l = new QLabel(text, frame);
        l->setObjectName(QString::fromLatin1(name));
        QFont f = l->font();
        f.setPointSize(pointSize);
        f.setBold(bold);
        l->setFont(f);
        l->setWordWrap(true);
        return l;
    };
    QLabel* product = label("lblProductName", u"“青桐”之<题库管理及组卷系统>"_s, 16, true);
    QLabel* version = label("lblVersion", u"版本 "_s + QString::fromLatin1(BuildInfo::kVersion), 11, false);
    QLabel* hint = label("lblPlatform", u"最好工作于800×600模式"_s, 10, false);
    QLabel* warning =
        label("lblWarning", u"警告：本程序受著作权保护，未经许可，不得擅自复制、传播本程序的全部或部分。"_s,
              9, false);
    // Where this start keeps the bank: beside the program, or the user's own
    // bank once the program is installed.
    QLabel* bank =
        label("lblBank", u"题库文件：%1"_s.arg(QDir::toNativeSeparators(bankFilePath())), 9, false);
    product->setTextFormat(Qt::PlainText);
    bank->setTextFormat(Qt::PlainText);

    auto* head = new QHBoxLayout;
    head->addWidget(logo, 0, Qt::AlignTop);
    head->addWidget(product, 1);
    auto* inner = new QVBoxLayout(frame);
    inner->addLayout(head);
    inner->addSpacing(8);
    inner->addWidget(version, 0, Qt::AlignRight);
    inner->addWidget(hint, 0, Qt::AlignRight);
    inner->addSpacing(8);
    inner->addWidget(bank);
    inner->addSpacing(12);
    inner->addWidget(warning);

    auto* ok = new QPushButton(u"确定"_s, this);
    ok->setObjectName(u"Command1"_s);
    ok->setDefault(true);
    auto* quit = new QPushButton(u"退出"_s, this);
    quit->setObjectName(u"Command2"_s);
    connectAction(ok, &QPushButton::clicked, this, &frmSplash::Command1_Click);
    connectAction(quit, &QPushButton::clicked, this, &frmSplash::Command2_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(quit);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);
    outer->addLayout(buttons);
    resize(460, 320);

    // A click on the frame, the logo or any text, or a key, goes on like 确定.
    for (QWidget* w :
         {static_cast<QWidget*>(frame), static_cast<QWidget*>(logo), static_cast<QWidget*>(product),
          static_cast<QWidget*>(version), static_cast<QWidget*>(hint), static_cast<QWidget*>(bank),
          static_cast<QWidget*>(warning), static_cast<QWidget*>(ok), static_cast<QWidget*>(quit)})
        w->installEventFilter(this);

    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmSplash::Command1_Click()
{
    if (leaving_)
        return;
    leaving_ = true;
    close();
    WindowRegistry::instance().window<frmdl>()->show();
}

void frmSplash::Command2_Click()
{
    if (leaving_)
        return;
    leaving_ = true;
    close(); // with no other window open, the program ends
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // The buttons keep the keys that press them; any other key goes on.
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool pressesButton = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
        if (!(qobject_cast<QPushButton*>(watched) && pressesButton)) {
            Command1_Click();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && !qobject_cast<QPushButton*>(watched)) {
        Command1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::mousePressEvent(QMouseEvent*)
{
    Command1_Click();
}

void frmSplash::keyPressEvent(QKeyEvent*)
{
    Command1_Click();
}

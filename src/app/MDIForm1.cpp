#include "app/MDIForm1.h"

#include "app/HelpWindow.h"
#include "app/MenuGating.h"
#include "store/BankStore.h"
#include "store/CurrentUser.h"
#include "ui/Dialogs.h"
#include "ui/EditTargets.h"
#include "ui/StoreAction.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

namespace {

// A child window whose content a later part of the program provides.
QWidget* makeEmptyWindow(const QString& name, const QString& caption)
{
    auto* w = new QWidget;
    w->setObjectName(name);
    w->setWindowTitle(caption);
    w->resize(480, 320);
    return w;
}

} // namespace

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent), mdiArea_(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral(u"“青桐”之<题库管理及组卷系统>"));
    setAttribute(Qt::WA_DeleteOnClose);
    mdiArea_->setObjectName(QStringLiteral("MDIClient"));
    mdiArea_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdiArea_);
    buildMenus();
    MDIForm_Load();

    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(std::min(area.width(), 1024), std::min(area.height(), 740));
        move(area.center() - rect().center());
    }
}

QMenu* MDIForm1::addMenu(QMenu* parent, const char* name, const QString& caption)
{
    QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* MDIForm1::addCommand(QMenu* menu, const char* name, const QString& caption)
{
    QAction* a = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

void MDIForm1::addSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

QAction* MDIForm1::command(const QString& name) const
{
    const auto actions = findChildren<QAction*>(name);
    return actions.isEmpty() ? nullptr : actions.first();
}

void MDIForm1::buildMenus()
{
    QMenu* TKGL = addMenu(nullptr, "TKGL", QStringLiteral(u"题库管理"));
    connect(addCommand(TKGL, "addstu", QStringLiteral(u"添加题目")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("frmadd"), QStringLiteral(u"添加题目")); });
    connect(addCommand(TKGL, "searstu", QStringLiteral(u"浏览题目")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("frmseastu"), QStringLiteral(u"查询、浏览")); });
    connect(addCommand(TKGL, "editstu", QStringLiteral(u"修改题目")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("frmeditstu"), QStringLiteral(u"修改题目")); });
    addSeparator(TKGL, "m");
    connect(addCommand(TKGL, "HBTK", QStringLiteral(u"合并题库")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("HBTiKu"), QStringLiteral(u"合并题库")); });
    connect(addCommand(TKGL, "BFTK", QStringLiteral(u"备份题库")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("frmbackup"), QStringLiteral(u"备份题库"), false); });
    connect(addCommand(TKGL, "HFTK", QStringLiteral(u"恢复题库")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("HFTKU"), QStringLiteral(u"恢复题库"), false); });
    addSeparator(TKGL, "n");
    QMenu* TKGK = addMenu(TKGL, "TKGK", QStringLiteral(u"题库概况"));
    connect(addCommand(TKGK, "TMZSH", QStringLiteral(u"题目总数")), &QAction::triggered, this,
            &MDIForm1::TMZSH_Click);

    QMenu* zujuan = addMenu(nullptr, "zujuan", QStringLiteral(u"生成试卷"));
    connect(addCommand(zujuan, "zdzj", QStringLiteral(u"自动组卷")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("ZIDONGZUJUAN"), QStringLiteral(u"自动组卷向导一:")); });
    connect(addCommand(zujuan, "shgzj", QStringLiteral(u"手工组卷")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("SHouGong1"), QStringLiteral(u"手工组卷向导一")); });

    QMenu* RYUGL = addMenu(nullptr, "RYUGL", QStringLiteral(u"人员管理"));
    connect(addCommand(RYUGL, "TIANJIA", QStringLiteral(u"添加")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("GuanLiTJ"), QStringLiteral(u"添加人员")); });
    connect(addCommand(RYUGL, "XIUGAI", QStringLiteral(u"修改")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("GuanLiXG"), QStringLiteral(u"修改")); });
    connect(addCommand(RYUGL, "SHANCHU", QStringLiteral(u"删除")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("GuanLiSC"), QStringLiteral(u"删除人员")); });

    QMenu* ZHshd = addMenu(nullptr, "ZHshd", QStringLiteral(u"知识点管理"));
    connect(addCommand(ZHshd, "BianJiZHSHD", QStringLiteral(u"编辑知识点")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("XG_ZHSHD"), QStringLiteral(u"编辑知识点")); });
    connect(addCommand(ZHshd, "DaoCHuZHSHD", QStringLiteral(u"导出知识点")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("DaoChZHSHD"), QStringLiteral(u"导出知识点到WORD")); });

    QMenu* TXgl = addMenu(nullptr, "TXgl", QStringLiteral(u"题型管理"));
    connect(addCommand(TXgl, "BianJiTX", QStringLiteral(u"编辑题型")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("XG_TiXing"), QStringLiteral(u"编辑题型")); });
    connect(addCommand(TXgl, "DaoCHuTX", QStringLiteral(u"导出题型")), &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("DaoCHTX"), QStringLiteral(u"导出题型到WORD")); });

    connect(addCommand(nullptr, "SYBZ", QStringLiteral(u"使用帮助")), &QAction::triggered, this,
            &MDIForm1::SYBZ_Click);
    connect(addCommand(nullptr, "quit", QStringLiteral(u"退出系统")), &QAction::triggered, this,
            &MDIForm1::quit_Click);

    // The editing menu never shows in the menu bar; the question windows pop it
    // up over their rich-text boxes.
    BJCD_ = new QMenu(QStringLiteral(u"编辑"), this);
    BJCD_->setObjectName(QStringLiteral("BJCD"));
    connect(addCommand(BJCD_, "JianQ", QStringLiteral(u"剪切")), &QAction::triggered, this,
            &MDIForm1::JianQ_Click);
    connect(addCommand(BJCD_, "FuZH", QStringLiteral(u"复制")), &QAction::triggered, this,
            &MDIForm1::FuZH_Click);
    connect(addCommand(BJCD_, "ZHanT", QStringLiteral(u"粘贴")), &QAction::triggered, this,
            &MDIForm1::ZHanT_Click);
    addSeparator(BJCD_, "o");
    connect(addCommand(BJCD_, "SHanCH", QStringLiteral(u"删除")), &QAction::triggered, this,
            &MDIForm1::SHanCH_Click);
    connect(addCommand(BJCD_, "QuanX", QStringLiteral(u"全选")), &QAction::triggered, this,
            &MDIForm1::QuanX_Click);
    addSeparator(BJCD_, "p");
    connect(addCommand(BJCD_, "QuanBSHCH", QStringLiteral(u"全部删除")), &QAction::triggered, this,
            &MDIForm1::QuanBSHCH_Click);
    EditTargets::setMenu(BJCD_);
}

void MDIForm1::MDIForm_Load()
{
    const QHash<QString, bool> gating = menuGating(CurrentUser().isSuperAdmin, CurrentUser().isAdmin);
    for (auto it = gating.cbegin(); it != gating.cend(); ++it) {
        if (QAction* a = command(it.key()))
            a->setEnabled(it.value());
    }
}

QMdiSubWindow* MDIForm1::showChild(QWidget* child, bool created, bool closeBox)
{
    QMdiSubWindow* sub = nullptr;
    if (created) {
        Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (closeBox)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        child->setAttribute(Qt::WA_DeleteOnClose);
        sub = mdiArea_->addSubWindow(child, flags);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // Closing the child itself (its own close, or discarding it) takes its frame along.
        connect(child, &QObject::destroyed, sub, &QObject::deleteLater);
    } else {
        sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
    }
    const QSize wanted = child->size();
    child->show();
    if (sub) {
        sub->show();
        if (created) {
            // A child keeps the size it gave itself; the frame goes around it.
            const QSize frame = sub->size() - child->size();
            sub->resize(sub->size().expandedTo(wanted + frame));
            // Keep a new child inside the client area where it fits.
            const QRect area = mdiArea_->viewport()->rect();
            QPoint pos = sub->pos();
            pos.setX(std::max(0, std::min(pos.x(), area.width() - sub->width())));
            pos.setY(std::max(0, std::min(pos.y(), area.height() - sub->height())));
            sub->move(pos);
        }
        sub->raise();
        mdiArea_->setActiveSubWindow(sub);
    }
    return sub;
}

void MDIForm1::openWindow(const QString& name, const QString& caption, bool closeBox)
{
    bool created = false;
    QWidget* w = WindowRegistry::instance().window(
        name, [&] { return makeEmptyWindow(name, caption); }, &created);
    showChild(w, created, closeBox);
}

void MDIForm1::TMZSH_Click()
{
    int count = 0;
    if (!runStoreAction(this, [&] { count = BankStore::openBank().questionCount(); }))
        return;
    if (count == 0)
        dialogs().message(this, QStringLiteral(u"提示"), QStringLiteral(u"没有查到任何记录，没骗你啦！"));
    else
        dialogs().message(this, QStringLiteral(u"结果"),
                          QStringLiteral(u"题目的总数是：  ") + QString::number(count));
}

void MDIForm1::SYBZ_Click()
{
    bool created = false;
    auto* help = WindowRegistry::instance().window<HelpWindow>(&created);
    if (!help->load()) {
        if (created)
            delete help;
        return;
    }
    showChild(help, created);
}

void MDIForm1::quit_Click()
{
    // Ends at once: no question, no saving, no window's own exit checks.
    QCoreApplication::exit(0);
}

void MDIForm1::closeEvent(QCloseEvent* event)
{
    event->accept();
    QCoreApplication::exit(0);
}

void MDIForm1::JianQ_Click()
{
    EditTargets::cut();
}

void MDIForm1::FuZH_Click()
{
    EditTargets::copy();
}

void MDIForm1::ZHanT_Click()
{
    EditTargets::paste();
}

void MDIForm1::SHanCH_Click()
{
    EditTargets::deleteSelection();
}

void MDIForm1::QuanX_Click()
{
    EditTargets::selectAll();
}

void MDIForm1::QuanBSHCH_Click()
{
    EditTargets::clearBox();
}

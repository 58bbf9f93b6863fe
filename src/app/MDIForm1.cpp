#include "app/MDIForm1.h"

#include "admin/AutomaticBackup.h"
#include "admin/frmbackup.h"
#include "admin/GuanLiSC.h"
#include "admin/GuanLiTJ.h"
#include "admin/GuanLiXG.h"
#include "admin/HBTiKu.h"
#include "admin/HFTKU.h"
#include "app/HelpWindow.h"
#include "app/MenuGating.h"
#include "classify/DaoCHTX.h"
#include "classify/DaoChZHSHD.h"
#include "classify/XG_TiXing.h"
#include "classify/XG_ZHSHD.h"
#include "compose/SHouGong1.h"
#include "compose/ZIDONGZUJUAN.h"
#include "questions/DaoRuSHJ.h"
#include "questions/frmadd.h"
#include "questions/frmeditstu.h"
#include "questions/frmseastu.h"
#include "store/BankStore.h"
#include "store/CurrentUser.h"
#include "store/ProgramDirectory.h"
#include "ui/ChildWindows.h"
#include "ui/Dialogs.h"
#include "ui/EditTargets.h"
#include "ui/StoreAction.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>

using namespace Qt::StringLiterals;

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent), mdiArea_(new QMdiArea(this))
{
    setObjectName(u"MDIForm1"_s);
    setWindowTitle(u"“青桐”之<题库管理及组卷系统>"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    mdiArea_->setObjectName(u"MDIClient"_s);
    mdiArea_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdiArea_);
    setChildWindowArea(mdiArea_);
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
    QMenu* TKGL = addMenu(nullptr, "TKGL", u"题库管理"_s);
    connectAction(addCommand(TKGL, "addstu", u"添加题目"_s), &QAction::triggered, this,
                  [] { showChildWindow<frmadd>(); });
    connectAction(addCommand(TKGL, "searstu", u"浏览题目"_s), &QAction::triggered, this,
                  [] { showChildWindow<frmseastu>(); });
    connectAction(addCommand(TKGL, "editstu", u"修改题目"_s), &QAction::triggered, this,
                  [] { showChildWindow<frmeditstu>(); });
    connectAction(addCommand(TKGL, "DRSHJ", u"导入试卷"_s), &QAction::triggered, this,
                  [] { showChildWindow<DaoRuSHJ>(); });
    addSeparator(TKGL, "m");
    connectAction(addCommand(TKGL, "HBTK", u"合并题库"_s), &QAction::triggered, this,
                  [] { showChildWindow<HBTiKu>(); });
    connectAction(addCommand(TKGL, "BFTK", u"备份题库"_s), &QAction::triggered, this,
                  [] { showChildWindow<frmbackup>(false); });
    connectAction(addCommand(TKGL, "HFTK", u"恢复题库"_s), &QAction::triggered, this,
                  [] { showChildWindow<HFTKU>(false); });
    addSeparator(TKGL, "n");
    QMenu* TKGK = addMenu(TKGL, "TKGK", u"题库概况"_s);
    connectAction(addCommand(TKGK, "TMZSH", u"题目总数"_s), &QAction::triggered, this,
                  &MDIForm1::TMZSH_Click);
    connectAction(addCommand(TKGK, "TKWZ", u"题库位置"_s), &QAction::triggered, this, &MDIForm1::TKWZ_Click);

    QMenu* zujuan = addMenu(nullptr, "zujuan", u"生成试卷"_s);
    connectAction(addCommand(zujuan, "zdzj", u"自动组卷"_s), &QAction::triggered, this,
                  [] { showChildWindow<ZIDONGZUJUAN>(); });
    connectAction(addCommand(zujuan, "shgzj", u"手工组卷"_s), &QAction::triggered, this,
                  [] { showChildWindow<SHouGong1>(); });

    QMenu* RYUGL = addMenu(nullptr, "RYUGL", u"人员管理"_s);
    connectAction(addCommand(RYUGL, "TIANJIA", u"添加"_s), &QAction::triggered, this,
                  [] { showChildWindow<GuanLiTJ>(); });
    connectAction(addCommand(RYUGL, "XIUGAI", u"修改"_s), &QAction::triggered, this,
                  [] { showChildWindow<GuanLiXG>(); });
    connectAction(addCommand(RYUGL, "SHANCHU", u"删除"_s), &QAction::triggered, this,
                  [] { showChildWindow<GuanLiSC>(); });

    QMenu* ZHshd = addMenu(nullptr, "ZHshd", u"知识点管理"_s);
    connectAction(addCommand(ZHshd, "BianJiZHSHD", u"编辑知识点"_s), &QAction::triggered, this,
                  [] { showChildWindow<XG_ZHSHD>(); });
    connectAction(addCommand(ZHshd, "DaoCHuZHSHD", u"导出知识点"_s), &QAction::triggered, this,
                  [] { showChildWindow<DaoChZHSHD>(); });

    QMenu* TXgl = addMenu(nullptr, "TXgl", u"题型管理"_s);
    connectAction(addCommand(TXgl, "BianJiTX", u"编辑题型"_s), &QAction::triggered, this,
                  [] { showChildWindow<XG_TiXing>(); });
    connectAction(addCommand(TXgl, "DaoCHuTX", u"导出题型"_s), &QAction::triggered, this,
                  [] { showChildWindow<DaoCHTX>(); });

    connectAction(addCommand(nullptr, "SYBZ", u"使用帮助"_s), &QAction::triggered, this,
                  &MDIForm1::SYBZ_Click);
    connectAction(addCommand(nullptr, "quit", u"退出系统"_s), &QAction::triggered, this,
                  &MDIForm1::quit_Click);

    // The editing menu never shows in the menu bar; the question windows pop it
    // up over their rich-text boxes.
    BJCD_ = new QMenu(u"编辑"_s, this);
    BJCD_->setObjectName(u"BJCD"_s);
    connectAction(addCommand(BJCD_, "JianQ", u"剪切"_s), &QAction::triggered, this, &MDIForm1::JianQ_Click);
    connectAction(addCommand(BJCD_, "FuZH", u"复制"_s), &QAction::triggered, this, &MDIForm1::FuZH_Click);
    connectAction(addCommand(BJCD_, "ZHanT", u"粘贴"_s), &QAction::triggered, this, &MDIForm1::ZHanT_Click);
    addSeparator(BJCD_, "o");
    connectAction(addCommand(BJCD_, "SHanCH", u"删除"_s), &QAction::triggered, this, &MDIForm1::SHanCH_Click);
    connectAction(addCommand(BJCD_, "QuanX", u"全选"_s), &QAction::triggered, this, &MDIForm1::QuanX_Click);
    addSeparator(BJCD_, "p");
    connectAction(addCommand(BJCD_, "QuanBSHCH", u"全部删除"_s), &QAction::triggered, this,
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

void MDIForm1::TMZSH_Click()
{
    const int count = BankStore::openBank().questionCount();
    if (count == 0)
        dialogs().message(this, u"提示"_s, u"没有查到任何记录，没骗你啦！"_s);
    else
        dialogs().message(this, u"结果"_s, u"题目的总数是：  "_s + QString::number(count));
}

void MDIForm1::TKWZ_Click()
{
    // An installed copy keeps each user's bank in their data folder, which a
    // teacher would not find by looking beside the program.
    const QString bank = bankFilePath();
    dialogs().message(
        this, u"提示"_s,
        u"题库文件：%1\n自动备份：%2"_s.arg(QDir::toNativeSeparators(bank),
                                            QDir::toNativeSeparators(AutomaticBackup::folderFor(bank))));
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

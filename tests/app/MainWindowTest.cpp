// The main window: its menu tree, the gating by role, the question count, help,
// child windows (where they go, hiding, discarding) and the editing context menu.
#include "app/HelpWindow.h"
#include "app/MDIForm1.h"
#include "common/Accessibility.h"
#include "common/TestBank.h"
#include "compose/SHouGong2.h"
#include "compose/ZUJUANXIANGMU.h"
#include "questions/bjtm.h"
#include "store/CurrentUser.h"
#include "store/ProgramDirectory.h"
#include "ui/ChildWindows.h"
#include "ui/Clipboard.h"
#include "ui/EditTargets.h"
#include "ui/RichTextBox.h"
#include "ui/ScriptedDialogs.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using Shown = ScriptedDialogs::Shown;

namespace {

struct Entry
{
    QString name;
    QString caption;
};

QList<Entry> entries(const QList<QAction*>& actions)
{
    QList<Entry> out;
    for (QAction* a : actions)
        out.append({a->objectName(), a->isSeparator() ? u"-"_s : a->text()});
    return out;
}

QString describe(const QList<Entry>& list)
{
    QStringList parts;
    for (const Entry& e : list)
        parts << e.name + u'=' + e.caption;
    return parts.join(u", ");
}

// A window that asks for its place, as the windows do when they load.
class PlacedWindow : public QWidget
{
    Q_OBJECT
public:
    PlacedWindow()
    {
        setObjectName(u"PlacedWindow"_s);
        resize(twipsSize(3000, 1500));
        move(twipsPoint(1500, 750));
    }
};

// Stands in for the question entry window: its content and answer boxes
// select everything on GotFocus and raise the editing menu on the right
// button, marking the box under the mouse.
struct EntryWindow
{
    RichTextBox* content = new RichTextBox;
    RichTextBox* answer = new RichTextBox;

    // Opened as a child of the main window, which must exist.
    EntryWindow()
    {
        auto* window = new QWidget;
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(content);
        layout->addWidget(answer);
        wire(content, EditTarget::AddContent, EditTarget::AddAnswer);
        wire(answer, EditTarget::AddAnswer, EditTarget::AddContent);
        showChild(window, true);
    }

    static void wire(RichTextBox* box, EditTarget own, EditTarget sibling)
    {
        QObject::connect(box, &RichTextBox::GotFocus, box, [box] {
            box->setSelStart(0);
            box->setSelLength(int(box->Text().length()));
        });
        QObject::connect(box, &RichTextBox::MouseUp, box, [box, own, sibling](int button) {
            if (button == 2)
                EditTargets::raise(own, sibling, box, QCursor::pos());
        });
    }
};

// Focus on `box` as the windows give it, then the user's own selection.
bool focusAndSelect(RichTextBox* box, int start, int length)
{
    box->SetFocus();
    if (!QTest::qWaitFor([box] { return box->hasFocus(); }))
        return false;
    box->setSelStart(start);
    box->setSelLength(length);
    return true;
}

bool rightClick(MDIForm1* w, RichTextBox* box)
{
    QTest::mouseClick(box->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    return QTest::qWaitForWindowExposed(w->BJCD()) && QApplication::activePopupWidget() == w->BJCD();
}

// Clicks the command `name` in the editing menu, as the user does.
bool choose(MDIForm1* w, const QString& name)
{
    QMenu* menu = w->BJCD();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(w->command(name)).center());
    return QTest::qWaitFor([menu] { return !menu->isVisible(); });
}

QString clipboardText()
{
    RichTextBox probe;
    probe.setSelRTF(Clipboard::GetText());
    return probe.Text();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBank> bank;
    std::unique_ptr<ScriptedDialogs> dialogs;

    MDIForm1* openAs(const QString& role)
    {
        CurrentUser() = CurrentUserState{};
        CurrentUser().userName = u"tester"_s;
        CurrentUser().setRole(role);
        auto* w = WindowRegistry::instance().window<MDIForm1>();
        w->show();
        return w;
    }

    // The main window in front with the keyboard, as focus moves need.
    MDIForm1* openActive()
    {
        MDIForm1* w = openAs(u"超级管理"_s);
        w->activateWindow();
        return QTest::qWaitForWindowActive(w) ? w : nullptr;
    }

private slots:
    void init()
    {
        bank = std::make_unique<TestBank>();
        dialogs = std::make_unique<ScriptedDialogs>();
        EditTargets::unmarkAll();
    }

    void cleanup()
    {
        QVERIFY2(dialogs->allAnswered(), qPrintable(dialogs->unexpected().join(u'|')));
        WindowRegistry::instance().discardAll();
        dialogs.reset();
        bank.reset();
    }

    void menuTree()
    {
        MDIForm1* w = openAs(u"超级管理"_s);
        QCOMPARE(w->windowTitle(), u"“青桐”之<题库管理及组卷系统>"_s);
        const QString bar = describe(entries(w->menuBar()->actions()));
        QCOMPARE(bar, u"TKGL=题库管理, zujuan=生成试卷, RYUGL=人员管理, ZHshd=知识点管理, TXgl=题型管理, "
                      u"SYBZ=使用帮助, quit=退出系统"_s);
        auto menu = [w](const char* name) { return w->findChild<QMenu*>(QString::fromLatin1(name)); };
        QCOMPARE(describe(entries(menu("TKGL")->actions())),
                 u"addstu=添加题目, searstu=浏览题目, editstu=修改题目, DRSHJ=导入试卷, m=-, HBTK=合并题库, "
                 u"BFTK=备份题库, "
                 u"HFTK=恢复题库, n=-, TKGK=题库概况"_s);
        QCOMPARE(describe(entries(menu("TKGK")->actions())), u"TMZSH=题目总数, TKWZ=题库位置"_s);
        QCOMPARE(describe(entries(menu("zujuan")->actions())), u"zdzj=自动组卷, shgzj=手工组卷"_s);
        QCOMPARE(describe(entries(menu("RYUGL")->actions())), u"TIANJIA=添加, XIUGAI=修改, SHANCHU=删除"_s);
        QCOMPARE(describe(entries(menu("ZHshd")->actions())),
                 u"BianJiZHSHD=编辑知识点, DaoCHuZHSHD=导出知识点"_s);
        QCOMPARE(describe(entries(menu("TXgl")->actions())), u"BianJiTX=编辑题型, DaoCHuTX=导出题型"_s);
        QCOMPARE(
            describe(entries(w->BJCD()->actions())),
            u"JianQ=剪切, FuZH=复制, ZHanT=粘贴, o=-, SHanCH=删除, QuanX=全选, p=-, QuanBSHCH=全部删除"_s);
        QCOMPARE(w->BJCD()->title(), u"编辑"_s);
        // No access keys and no shortcuts anywhere.
        for (QAction* a : w->findChildren<QAction*>()) {
            QVERIFY2(!a->text().contains(u'&'), qPrintable(a->text()));
            QVERIFY(a->shortcut().isEmpty());
        }
    }

    void gatingByRole_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QStringList>("disabled");
        const QStringList always{u"searstu"_s, u"TMZSH"_s,  u"TKWZ"_s, u"zdzj"_s,
                                 u"shgzj"_s,   u"XIUGAI"_s, u"SYBZ"_s, u"quit"_s};
        const QStringList superOnly{u"HBTK"_s,    u"BFTK"_s,  u"HFTK"_s, u"TIANJIA"_s,
                                    u"SHANCHU"_s, u"ZHshd"_s, u"TXgl"_s};
        const QStringList editing{u"addstu"_s, u"editstu"_s, u"DRSHJ"_s};
        QTest::newRow("超级管理") << u"超级管理"_s << always + superOnly + editing << QStringList();
        QTest::newRow("管理人员") << u"管理人员"_s << always + editing << superOnly;
        QTest::newRow("一般人员") << u"一般人员"_s << always << superOnly + editing;
        QTest::newRow("unknown role") << u"临时"_s << always << superOnly + editing;
    }

    void gatingByRole()
    {
        QFETCH(QString, role);
        QFETCH(QStringList, enabled);
        QFETCH(QStringList, disabled);
        MDIForm1* w = openAs(role);
        for (const QString& name : enabled) {
            QVERIFY2(w->command(name), qPrintable(name));
            QVERIFY2(w->command(name)->isEnabled(), qPrintable(name + u" should be enabled"_s));
        }
        for (const QString& name : disabled)
            QVERIFY2(!w->command(name)->isEnabled(), qPrintable(name + u" should be disabled"_s));
    }

    void questionCount()
    {
        MDIForm1* w = openAs(u"一般人员"_s);
        w->command(u"TMZSH"_s)->trigger();
        bank->addQuestion();
        bank->addQuestion();
        bank->addQuestion();
        w->command(u"TMZSH"_s)->trigger();
        QCOMPARE(dialogs->shown(),
                 (QList<Shown>{ScriptedDialogs::info(u"提示"_s, u"没有查到任何记录，没骗你啦！"_s),
                               ScriptedDialogs::info(u"结果"_s, u"题目的总数是：  3"_s)}));
    }

    // 题库位置 says where the bank of this start is (an installed copy keeps
    // it in the user's data folder) and where its automatic backups go.
    void bankPlaceNamesTheBankAndItsBackups()
    {
        MDIForm1* w = openAs(u"一般人员"_s);
        w->command(u"TKWZ"_s)->trigger();
        QTemporaryDir elsewhere;
        const QString chosen = elsewhere.path() + u"/DATA/TiKu.mdb"_s;
        setBankFilePath(chosen);
        w->command(u"TKWZ"_s)->trigger();
        setBankFilePath(QString());
        const auto place = [](const QString& bankFile, const QString& backups) {
            return ScriptedDialogs::info(
                u"提示"_s, u"题库文件：%1\n自动备份：%2"_s.arg(QDir::toNativeSeparators(bankFile),
                                                               QDir::toNativeSeparators(backups)));
        };
        QCOMPARE(dialogs->shown(), (QList<Shown>{place(bank->programDir() + u"/DATA/TiKu.mdb"_s,
                                                       bank->programDir() + u"/DATA/备份"_s),
                                                 place(chosen, elsewhere.path() + u"/DATA/备份"_s)}));
    }

    void questionCountOnAMissingBankReportsTheError()
    {
        MDIForm1* w = openAs(u"一般人员"_s);
        QVERIFY(QFile::remove(bank->bankPath()));
        w->command(u"TMZSH"_s)->trigger();
        QCOMPARE(dialogs->shown().size(), 1);
        QVERIFY(dialogs->shown().first().text.startsWith(u"错误号："_s));
        QVERIFY(w->isVisible());
        // The command works again: one more box, for the one more try.
        w->command(u"TMZSH"_s)->trigger();
        QCOMPARE(dialogs->shown().size(), 2);
    }

    // Every editable list of the program keeps what is typed: no completion
    // from its items. Only the font list of 编辑题目 completes the name of an
    // installed face, and what is typed there is never stored.
    void editableListsKeepWhatIsTyped()
    {
        bank->addQuestionType(u"选择题"_s);
        MDIForm1* w = openAs(u"超级管理"_s);
        for (const QString& command :
             {u"addstu"_s, u"searstu"_s, u"editstu"_s, u"DRSHJ"_s, u"SHANCHU"_s, u"TIANJIA"_s})
            w->command(command)->trigger();
        showChildWindow<ZUJUANXIANGMU>();
        showChildWindow<SHouGong2>();
        showChildWindow<bjtm>();
        QStringList editable;
        for (QComboBox* c : w->findChildren<QComboBox*>()) {
            if (!c->isEditable() || qobject_cast<QFontComboBox*>(c))
                continue;
            // The child window it belongs to, for the message.
            QString name = c->objectName();
            for (QWidget* p = c; p; p = p->parentWidget()) {
                if (qobject_cast<QMdiSubWindow*>(p->parentWidget()))
                    name.prepend(p->objectName() + u'/');
            }
            QVERIFY2(!c->completer(), qPrintable(name));
            QCOMPARE(c->insertPolicy(), QComboBox::NoInsert);
            editable << c->objectName();
        }
        // Three in each question form, in 导入试卷 and each criteria window,
        // the role in 删除人员, the size in 编辑题目.
        QCOMPARE(editable.size(), 3 * 3 + 3 + 3 * 2 + 1 + 1);
    }

    void childrenGoWhereTheyAsk()
    {
        MDIForm1* w = openAs(u"一般人员"_s);
        const QRect area = w->mdiArea()->viewport()->rect();
        auto* placed = showChildWindow<PlacedWindow>();
        QMdiSubWindow* frame = childFrame(placed);
        QVERIFY(frame && frame->isVisible());
        QCOMPARE(frame->parentWidget(), w->mdiArea()->viewport());
        QCOMPARE(frame->pos(), twipsPoint(1500, 750));
        QCOMPARE(placed->size(), twipsSize(3000, 1500));
        QCOMPARE(w->mdiArea()->activeSubWindow(), frame);

        // Moved by the user, hidden and asked for again: it stays where it was.
        frame->move(30, 40);
        frame->hide();
        QCOMPARE(showChildWindow<PlacedWindow>(), placed);
        QCOMPARE(frame->pos(), QPoint(30, 40));

        // Beyond the right and bottom edges: pulled back inside the area.
        auto make = [](QSize size) {
            auto* c = new QWidget;
            c->resize(size);
            c->move(twipsPoint(60000, 60000));
            return c;
        };
        QWidget* far = showChildWindow(u"far"_s, [&] { return make(QSize(200, 100)); });
        QCOMPARE(childFrame(far)->geometry().bottomRight(), area.bottomRight());
        // Larger than the area: its top left corner stays in sight.
        QWidget* huge = showChildWindow(u"huge"_s, [&] { return make(area.size() + QSize(50, 50)); });
        QCOMPARE(childFrame(huge)->pos(), QPoint(0, 0));
    }

    void childThatHidesItselfTakesItsFrameAlong()
    {
        MDIForm1* w = openAs(u"超级管理"_s);
        w->command(u"searstu"_s)->trigger();
        QMdiSubWindow* frame = w->mdiArea()->activeSubWindow();
        QWidget* search = frame->widget();
        auto* typed = new QLineEdit(search);
        typed->setText(u"有理数"_s);
        const QPoint where = frame->pos();

        search->hide(); // as a window's own 退出 button does
        for (QMdiSubWindow* sub : w->mdiArea()->subWindowList())
            QVERIFY(!sub->isVisible());

        // The next menu command brings it back with what it held.
        w->command(u"searstu"_s)->trigger();
        QCOMPARE(w->mdiArea()->subWindowList(), QList<QMdiSubWindow*>{frame});
        QCOMPARE(frame->widget(), search);
        QVERIFY(search->isVisible() && frame->isVisible());
        QCOMPARE(w->mdiArea()->activeSubWindow(), frame);
        QCOMPARE(typed->text(), u"有理数"_s);
        QCOMPARE(frame->pos(), where);

        // Shown again by itself, it brings its frame too.
        search->hide();
        search->show();
        QVERIFY(frame->isVisible());

        // Minimised, the frame hides the child but stays itself, and active.
        w->command(u"zdzj"_s)->trigger();
        w->mdiArea()->setActiveSubWindow(frame);
        frame->setWindowState(Qt::WindowMinimized);
        QVERIFY(search->isHidden());
        QVERIFY(frame->isVisible());
        QCOMPARE(w->mdiArea()->activeSubWindow(), frame);
        frame->setWindowState(Qt::WindowNoState);
        QVERIFY(search->isVisible());

        // A child that closes itself is discarded with its frame.
        QPointer<QMdiSubWindow> alive = frame;
        search->close();
        QTRY_VERIFY(alive.isNull());
        QCOMPARE(w->mdiArea()->subWindowList().size(), 1);
        QVERIFY(!WindowRegistry::instance().existing(u"frmseastu"_s));
    }

    void childWindowsExistOnce()
    {
        MDIForm1* w = openAs(u"超级管理"_s);
        w->command(u"searstu"_s)->trigger();
        QCOMPARE(w->mdiArea()->subWindowList().size(), 1);
        QWidget* search = w->mdiArea()->subWindowList().first()->widget();
        QCOMPARE(search->windowTitle(), u"查询、浏览"_s);
        QCOMPARE(search->objectName(), u"frmseastu"_s);

        // Hidden, then asked for again: the same window comes back.
        search->parentWidget()->hide();
        w->command(u"searstu"_s)->trigger();
        QCOMPARE(w->mdiArea()->subWindowList().size(), 1);
        QCOMPARE(w->mdiArea()->subWindowList().first()->widget(), search);
        QVERIFY(search->isVisible());

        // Discarded by its close box: the next command makes a new one.
        QPointer<QWidget> old = search;
        w->mdiArea()->subWindowList().first()->close();
        QTRY_VERIFY(old.isNull());
        w->command(u"searstu"_s)->trigger();
        QCOMPARE(w->mdiArea()->subWindowList().size(), 1);

        // Backup and restore windows have no close box.
        w->command(u"BFTK"_s)->trigger();
        QMdiSubWindow* backup = w->mdiArea()->activeSubWindow();
        QCOMPARE(backup->widget()->windowTitle(), u"备份题库"_s);
        QVERIFY(!(backup->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(backup->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void helpShowsThePageOfTheProgramDirectory()
    {
        MDIForm1* w = openAs(u"一般人员"_s);
        w->command(u"SYBZ"_s)->trigger(); // no page yet
        QCOMPARE(dialogs->shown().size(), 1);
        QVERIFY(dialogs->shown().first().text.contains(u"帮助.html"_s));
        QVERIFY(!WindowRegistry::instance().existing<HelpWindow>());

        QFile page(HelpWindow::helpFilePath());
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(u"<html><body><h1>登录</h1><p>输入用户名和密码。</p></body></html>"_s.toUtf8());
        page.close();
        w->command(u"SYBZ"_s)->trigger();
        auto* help = WindowRegistry::instance().existing<HelpWindow>();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->browser()->toPlainText().contains(u"输入用户名和密码。"_s));
        QCOMPARE(unnamedInputs(help), QStringList());
    }

    // An installed copy has its help page in /usr/share/<id>/ beside /usr/bin.
    void helpOfAnInstalledCopy()
    {
        MDIForm1* w = openAs(u"一般人员"_s);
        QTemporaryDir usr;
        QVERIFY(QDir(usr.path()).mkpath(u"bin"_s));
        setProgramDirectory(usr.path() + u"/bin"_s);
        setBankFilePath(bank->bankPath());
        const QString page = installedDataDirectory() + u"/帮助.html"_s;
        QCOMPARE(page, usr.path() + u"/share/cn.qingtong.tiku/帮助.html"_s);
        QVERIFY(QDir().mkpath(installedDataDirectory()));
        QFile f(page);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(u"<html><body><p>装在系统里的帮助。</p></body></html>"_s.toUtf8());
        f.close();
        w->command(u"SYBZ"_s)->trigger();
        setProgramDirectory(bank->programDir());
        setBankFilePath(QString());
        QCOMPARE(dialogs->shown().size(), 0);
        auto* help = WindowRegistry::instance().existing<HelpWindow>();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->browser()->toPlainText().contains(u"装在系统里的帮助。"_s));
    }

    // The editing menu acts on every marked box in target order and unmarks it.
    void editMenuWalksTheMarkedBoxes()
    {
        MDIForm1* w = openAs(u"超级管理"_s);
        RichTextBox addContent, editAnswer;
        addContent.setText(u"甲乙丙"_s);
        editAnswer.setText(u"答案是 42"_s);
        EditTargets::registerBox(EditTarget::AddContent, &addContent);
        EditTargets::registerBox(EditTarget::EditAnswer, &editAnswer);

        // A menu raised over the entry window's content box and dismissed, then
        // raised over the modification window's answer box: 复制 takes both,
        // and the clipboard keeps the later box's selection.
        addContent.setSelStart(0);
        addContent.setSelLength(2);
        editAnswer.setSelStart(4);
        editAnswer.setSelLength(2);
        EditTargets::raise(EditTarget::AddContent, EditTarget::AddAnswer, &addContent, QPoint(10, 10));
        w->BJCD()->hide();
        EditTargets::raise(EditTarget::EditAnswer, EditTarget::EditContent, &editAnswer, QPoint(10, 10));
        w->BJCD()->hide();
        w->command(u"FuZH"_s)->trigger();
        QVERIFY(!EditTargets::isMarked(EditTarget::AddContent));
        QVERIFY(!EditTargets::isMarked(EditTarget::EditAnswer));
        QVERIFY(!Clipboard::GetText().isEmpty());
        RichTextBox probe;
        probe.setSelRTF(Clipboard::GetText());
        QCOMPARE(probe.Text(), u"42"_s);

        // 粘贴 into the content box replaces its selection.
        EditTargets::setMarked(EditTarget::AddContent, true);
        w->command(u"ZHanT"_s)->trigger();
        QCOMPARE(addContent.Text(), u"42丙"_s);

        // Without RTF on the clipboard, paste only removes the selection.
        Clipboard::Clear();
        addContent.setSelStart(0);
        addContent.setSelLength(1);
        EditTargets::setMarked(EditTarget::AddContent, true);
        w->command(u"ZHanT"_s)->trigger();
        QCOMPARE(addContent.Text(), u"2丙"_s);

        // 剪切 puts the selection on the clipboard and removes it.
        addContent.setSelStart(1);
        addContent.setSelLength(1);
        EditTargets::setMarked(EditTarget::AddContent, true);
        w->command(u"JianQ"_s)->trigger();
        QCOMPARE(addContent.Text(), u"2"_s);
        RichTextBox probe2;
        probe2.setSelRTF(Clipboard::GetText());
        QCOMPARE(probe2.Text(), u"丙"_s);

        // 全选 on an empty box selects nothing; 全部删除 empties a box.
        EditTargets::setMarked(EditTarget::EditAnswer, true);
        w->command(u"QuanBSHCH"_s)->trigger();
        QCOMPARE(editAnswer.Text(), QString());
        EditTargets::setMarked(EditTarget::EditAnswer, true);
        w->command(u"QuanX"_s)->trigger();
        QCOMPARE(editAnswer.SelLength(), 0);
        EditTargets::setMarked(EditTarget::AddContent, true);
        addContent.setText(u"全部文字"_s);
        w->command(u"QuanX"_s)->trigger();
        QCOMPARE(addContent.SelStart(), 0);
        QCOMPARE(addContent.SelLength(), 4);
        EditTargets::setMarked(EditTarget::AddContent, true);
        w->command(u"SHanCH"_s)->trigger();
        QCOMPARE(addContent.Text(), QString());

        // With nothing marked, copy only clears the clipboard.
        Clipboard::SetText("{\\rtf1 x}");
        w->command(u"FuZH"_s)->trigger();
        QCOMPARE(Clipboard::GetText(), QByteArray());
    }

    // The menu comes and goes over a box whose window selects everything on
    // GotFocus: 复制 and 删除 still take only what the user selected.
    void rightButtonMenuActsOnTheSelection()
    {
        MDIForm1* w = openActive();
        QVERIFY(w);
        EntryWindow entry;
        entry.content->setText(u"已知x+1=3，求x"_s);
        entry.answer->SetFocus();
        QTRY_VERIFY(entry.answer->hasFocus());
        entry.content->SetFocus();
        QTRY_VERIFY(entry.content->hasFocus());
        QCOMPARE(entry.content->SelLength(), 10); // the window's select-all ran
        QVERIFY(focusAndSelect(entry.content, 2, 5));

        QVERIFY(rightClick(w, entry.content));
        QVERIFY(choose(w, u"FuZH"_s));
        QCOMPARE(clipboardText(), u"x+1=3"_s);
        QCOMPARE(entry.content->SelText(), u"x+1=3"_s);

        QVERIFY(rightClick(w, entry.content));
        QVERIFY(choose(w, u"SHanCH"_s));
        QCOMPARE(entry.content->Text(), u"已知，求x"_s);
    }

    // Marking a box from the right button unmarks the other box of its
    // window, even when the menu over that box was dismissed.
    void markingABoxUnmarksItsSibling()
    {
        MDIForm1* w = openActive();
        QVERIFY(w);
        EntryWindow entry;
        entry.content->setText(u"题干"_s);
        entry.answer->setText(u"答案是 2"_s);

        QVERIFY(focusAndSelect(entry.content, 0, 1));
        QVERIFY(rightClick(w, entry.content));
        QTest::keyClick(w->BJCD(), Qt::Key_Escape);
        QTRY_VERIFY(!w->BJCD()->isVisible());
        QVERIFY(EditTargets::isMarked(EditTarget::AddContent));

        QVERIFY(focusAndSelect(entry.answer, 4, 1));
        QVERIFY(rightClick(w, entry.answer));
        QVERIFY(EditTargets::isMarked(EditTarget::AddAnswer));
        QVERIFY(!EditTargets::isMarked(EditTarget::AddContent));
        QVERIFY(choose(w, u"SHanCH"_s));
        QCOMPARE(entry.answer->Text(), u"答案是 "_s);
        QCOMPARE(entry.content->Text(), u"题干"_s);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

// The small pieces of the platform layer: the window registry, the scripted
// dialogs tests rely on, twips, the report of a store failure, handlers
// connected as user actions, and the names assistive technology reads.
#include "common/Accessibility.h"
#include "store/BankStore.h"
#include "ui/ChildWindows.h"
#include "ui/Dialogs.h"
#include "ui/ScriptedDialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A window whose handlers fail the first time they run.
class ActionWindow : public QWidget
{
public:
    int clicks = 0;
    QList<bool> checks;

    void Command1_Click()
    {
        if (++clicks == 1)
            throw StoreError(3021, u"无当前记录。"_s);
    }
    void Check1_Click(bool checked)
    {
        checks << checked;
        if (checks.size() == 1)
            throw StoreError(5, u"database is locked"_s);
    }
};

QString accessibleName(QWidget* w)
{
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
}

} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { WindowRegistry::instance().discardAll(); }

    void registryKeepsOneWindowPerName()
    {
        auto& registry = WindowRegistry::instance();
        int made = 0;
        auto make = [&] {
            ++made;
            return new QLabel(u"a window"_s);
        };
        bool created = false;
        QWidget* first = registry.window(u"frmadd"_s, make, &created);
        QVERIFY(created);
        first->setProperty("typed", u"kept"_s);

        // Hidden and asked for again: the same window, with what it held.
        first->hide();
        QWidget* again = registry.window(u"frmadd"_s, make, &created);
        QVERIFY(!created);
        QCOMPARE(again, first);
        QCOMPARE(again->property("typed").toString(), u"kept"_s);
        QCOMPARE(made, 1);

        // Discarded: the next use makes a new one.
        delete first;
        QCOMPARE(registry.existing(u"frmadd"_s), nullptr);
        QWidget* fresh = registry.window(u"frmadd"_s, make, &created);
        QVERIFY(created);
        QVERIFY(!fresh->property("typed").isValid());
        QCOMPARE(made, 2);

        registry.window(u"frmseastu"_s, make);
        QCOMPARE(registry.aliveCount(), 2);
        registry.discardAll();
        QCOMPARE(registry.aliveCount(), 0);
    }

    // Once the client area is gone, a child shows as a window of its own.
    void childWindowsOutliveTheirArea()
    {
        auto* area = new QMdiArea;
        setChildWindowArea(area);
        QWidget* framed = showChildWindow(u"frmadd"_s, [] { return new QWidget; });
        QVERIFY(childFrame(framed));
        delete area;
        QCOMPARE(childWindowArea(), nullptr);

        QWidget* alone = showChildWindow(u"frmseastu"_s, [] { return new QWidget; });
        QVERIFY(alone->isWindow() && alone->isVisible());
        QCOMPARE(childFrame(alone), nullptr);
        QPointer<QWidget> discarded = alone;
        alone->close();
        QTRY_VERIFY(discarded.isNull());
    }

    void scriptedDialogsRecordAndAnswer()
    {
        ScriptedDialogs d;
        QCOMPARE(&dialogs(), static_cast<Dialogs*>(&d));
        d.answerYes();
        d.answerInput(u"12"_s);
        d.answerFile(u"/tmp/paper.rtf"_s);

        dialogs().message(nullptr, u"提示"_s, u"保存成功"_s);
        QVERIFY(dialogs().question(nullptr, u"提示"_s, u"确定退出吗？"_s));
        QCOMPARE(dialogs().input(nullptr, u"题目总数"_s, u"请输入试卷的题目总数："_s),
                 std::optional<QString>(u"12"_s));
        QCOMPARE(dialogs().saveFileName(nullptr, u"保存"_s, u"试卷.rtf"_s), u"/tmp/paper.rtf"_s);
        QVERIFY(d.allAnswered());
        QCOMPARE(d.shown().at(0), ScriptedDialogs::info(u"提示"_s, u"保存成功"_s));
        QCOMPARE(d.shown().at(1), ScriptedDialogs::ask(u"提示"_s, u"确定退出吗？"_s));

        // A question nobody expected is answered No and remembered.
        QVERIFY(!dialogs().question(nullptr, u"提示"_s, u"删除吗？"_s));
        QCOMPARE(d.unexpected(), QStringList{u"删除吗？"_s});
        QVERIFY(!d.allAnswered());

        // An answer of the wrong kind is not taken by another box.
        {
            ScriptedDialogs e;
            e.answerInput(u"3"_s);
            QVERIFY(!dialogs().question(nullptr, u"提示"_s, u"继续？"_s));
            QCOMPARE(e.pendingAnswers(), 1);
        }
        // The inner dialogs gone, the outer ones are in use again.
        QCOMPARE(installedDialogs(), static_cast<Dialogs*>(&d));
    }

    void twips()
    {
        QCOMPARE(twipsToPixels(4440), 296);
        QCOMPARE(pixelsToTwips(296), 4440);
        QCOMPARE(twipsRect(4000, 1000, 4440, 3480), QRect(266, 66, 296, 232));
        QCOMPARE(twipsPoint(1500, 755), QPoint(100, 50));
    }

    void storeFailuresAreReportedOnce()
    {
        ScriptedDialogs d;
        bool after = false;
        const bool ok = runStoreAction(nullptr, [&] {
            throw StoreError(14, u"无法打开题库文件"_s);
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(d.shown().size(), 1);
        QCOMPARE(d.shown().first().text, u"错误号：14\n无法打开题库文件"_s);
        QVERIFY(runStoreAction(nullptr, [] {}));
        QCOMPARE(d.shown().size(), 1);
    }

    // A store error out of a handler connected with connectAction ends as one
    // box; the control works again at the next click.
    void actionHandlersReportStoreErrors()
    {
        ScriptedDialogs d;
        ActionWindow window;
        auto* button = new QPushButton(u"确定"_s, &window);
        auto* check = new QPushButton(u"入学考试题"_s, &window);
        check->setCheckable(true);
        check->move(0, 40);
        auto* menu = new QMenu(&window);
        QAction* count = menu->addAction(u"题目总数"_s);
        connectAction(button, &QPushButton::clicked, &window, &ActionWindow::Command1_Click);
        connectAction(check, &QPushButton::clicked, &window, &ActionWindow::Check1_Click);
        int triggered = 0;
        connectAction(count, &QAction::triggered, &window, [&] {
            if (++triggered == 1)
                throw StoreError(14, u"无法打开题库文件"_s);
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(d.shown(), QList<ScriptedDialogs::Shown>{ScriptedDialogs::info(
                                u"数据库错误"_s, u"错误号：3021\n无当前记录。"_s, Dialogs::Icon::Critical)});
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(window.clicks, 2);
        QCOMPARE(d.shown().size(), 1);

        count->trigger();
        QCOMPARE(d.shown().size(), 2);
        QCOMPARE(d.shown().last().text, u"错误号：14\n无法打开题库文件"_s);
        count->trigger();
        QCOMPARE(triggered, 2);
        QCOMPARE(d.shown().size(), 2);

        // The handler gets the signal's argument: checked, then unchecked.
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(window.checks, (QList<bool>{true, false}));
        QCOMPARE(d.shown().size(), 3);
        QCOMPARE(d.shown().last().text, u"错误号：5\ndatabase is locked"_s);
    }

    void actionHandlersTakeTheArgumentsTheyWant()
    {
        ScriptedDialogs d;
        QWidget window;
        auto* combo = new QComboBox(&window);
        combo->addItems({u"A"_s, u"B"_s, u"C"_s});
        auto* edit = new QLineEdit(&window);
        QList<int> indexes;
        QStringList texts;
        int bare = 0;
        connectAction(combo, &QComboBox::currentIndexChanged, &window, [&](int index) { indexes << index; });
        connectAction(edit, &QLineEdit::textEdited, &window, [&](const QString& text) { texts << text; });
        connectAction(edit, &QLineEdit::textEdited, &window, [&] { ++bare; });
        combo->setCurrentIndex(2);
        combo->setCurrentIndex(0);
        QTest::keyClicks(edit, u"ab"_s);
        QCOMPARE(indexes, (QList<int>{2, 0}));
        QCOMPARE(texts, (QStringList{u"a"_s, u"ab"_s}));
        QCOMPARE(bare, 2);
        QVERIFY(d.shown().isEmpty());

        // The connection ends with the window: a later signal reaches nobody.
        QAction outliving;
        auto* gone = new QWidget;
        connectAction(&outliving, &QAction::triggered, gone, [&] { ++bare; });
        delete gone;
        outliving.trigger();
        QCOMPARE(bare, 2);
    }

    // Qt names a control after the label that has it as its buddy; item views
    // do not take their label's text and need a name of their own.
    void accessibleNamesComeFromLabels()
    {
        QWidget window;
        auto* name = new QLineEdit(&window);
        name->setObjectName(u"Text1"_s);
        auto* type = new QComboBox(&window);
        type->setObjectName(u"Combo1"_s);
        type->setEditable(true);
        auto* total = new QSpinBox(&window);
        total->setObjectName(u"Text3"_s);
        auto* content = new QTextEdit(&window);
        content->setObjectName(u"RichTextBox1"_s);
        auto* list = new QTableView(&window);
        list->setObjectName(u"DataGrid1"_s);
        auto* bare = new QLineEdit(&window);
        bare->setObjectName(u"Text9"_s);
        int row = 0;
        for (auto [text, control] :
             std::initializer_list<std::pair<QString, QWidget*>>{{u"用户名："_s, name},
                                                                 {u"题型："_s, type},
                                                                 {u"题目总数："_s, total},
                                                                 {u"内容："_s, content},
                                                                 {u"题目："_s, list}}) {
            auto* label = new QLabel(text, &window);
            label->move(0, row++ * 30);
            label->setBuddy(control);
        }

        QCOMPARE(accessibleName(name), u"用户名："_s);
        QCOMPARE(accessibleName(type), u"题型："_s);
        QCOMPARE(accessibleName(total), u"题目总数："_s);
        QCOMPARE(accessibleName(content), u"内容："_s);
        QCOMPARE(unnamedInputs(&window), (QStringList{u"DataGrid1 (QTableView)"_s, u"Text9 (QLineEdit)"_s}));

        list->setAccessibleName(u"题目"_s);
        bare->setAccessibleName(u"备注"_s);
        QCOMPARE(unnamedInputs(&window), QStringList());
    }

    // Qt's own dialogs speak Chinese too: a real file dialog's labels and buttons.
    void qtDialogsInChinese()
    {
        QVERIFY(useChineseQtTexts());
        QVERIFY(useChineseQtTexts()); // once is enough; again changes nothing
        QFileDialog dialog(nullptr, u"另存为"_s);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        for (const QPushButton* button : dialog.findChildren<QPushButton*>())
            texts << button->text();
        const auto chinese = [](const QString& text) {
            return std::any_of(text.begin(), text.end(),
                               [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
        };
        QVERIFY2(std::count_if(texts.begin(), texts.end(), chinese) >= 3, qPrintable(texts.join(u'|')));
        QVERIFY2(!texts.contains(u"Cancel"_s) && !texts.contains(u"&Save"_s), qPrintable(texts.join(u'|')));
    }
};

QTEST_MAIN(PlatformTest)
#include "PlatformTest.moc"

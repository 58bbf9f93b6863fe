// The small pieces of the platform layer: the window registry, the scripted
// dialogs tests rely on, twips, the report of a store failure, handlers
// connected as user actions, and the names assistive technology reads.
#include "common/Accessibility.h"
#include "store/BankStore.h"
#include "store/CurrentUser.h"
#include "store/ProgramSettings.h"
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
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

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

    // The save dialog's list of files speaks Chinese too: folders, sizes and
    // dates as a Chinese system writes them, whatever the system's locale.
    void saveDialogListsFilesInChinese()
    {
        QVERIFY(useChineseQtTexts());
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"期中"_s));
        QFile old(dir.filePath(u"旧卷.pdf"_s));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QCOMPARE(old.write(QByteArray(3000, 'x')), qint64(3000));
        old.close();
        const QDateTime when(QDate(2026, 12, 8), QTime(9, 30));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QVERIFY(old.setFileTime(when, QFileDevice::FileModificationTime));
        old.close();

        const std::unique_ptr<QFileDialog> dialog = makeSaveDialog(
            nullptr, u"导出PDF"_s, dir.filePath(u"试卷-20261208.pdf"_s), u"PDF文件(*.pdf);;所有文件(*.*)"_s);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->show();
        QCOMPARE(QDir(dialog->directory()).absolutePath(), QDir(dir.path()).absolutePath());
        QCOMPARE(dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->text(), u"试卷-20261208.pdf"_s);
        auto* list = dialog->findChild<QTreeView*>(u"treeView"_s);
        QVERIFY(list);
        const QAbstractItemModel* model = list->model();
        QTRY_COMPARE(model->rowCount(list->rootIndex()), 2);
        QMap<QString, QStringList> rows;
        for (int r = 0; r < 2; ++r) {
            QStringList cells;
            for (int c = 1; c < 4; ++c)
                cells << model->index(r, c, list->rootIndex()).data().toString();
            rows.insert(model->index(r, 0, list->rootIndex()).data().toString(), cells);
        }
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        QCOMPARE(rows.value(u"期中"_s).value(1), u"文件夹"_s);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"大小"_s);
        QCOMPARE(rows.value(u"旧卷.pdf"_s).value(0), chinese.formattedDataSize(3000));
        QCOMPARE(rows.value(u"旧卷.pdf"_s).value(2), chinese.toString(when, QLocale::ShortFormat));
        QVERIFY2(rows.value(u"旧卷.pdf"_s).value(2).startsWith(u"2026/12/8"_s),
                 qPrintable(rows.value(u"旧卷.pdf"_s).value(2)));
        if (const QString shots = qEnvironmentVariable("TIKU_SHOTS"); !shots.isEmpty()) {
            dialog->setViewMode(QFileDialog::Detail);
            dialog->resize(760, 420);
            dialog->grab().save(shots + u"/另存为.png"_s);
        }

        // No English word anywhere a teacher reads: the list, its headings,
        // the labels, buttons and tips (KiB and PDF are not words).
        static const QRegularExpression word(u"[A-Za-z]{4,}"_s);
        QStringList texts;
        for (const QStringList& cells : std::as_const(rows))
            texts << cells;
        for (int c = 0; c < 4; ++c)
            texts << model->headerData(c, Qt::Horizontal).toString();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts << label->text();
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            texts << button->text() << button->toolTip();
        for (const QAction* action : dialog->findChildren<QAction*>())
            texts << action->text();
        QStringList english;
        for (const QString& text : std::as_const(texts)) {
            if (text.contains(word))
                english << text;
        }
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'|')));
        QCOMPARE(QLocale().language(), QLocale::Chinese);

        // The open dialogs (恢复题库, 合并题库, 插入图片) list files the same way.
        const std::unique_ptr<QFileDialog> open = makeOpenDialog(nullptr, u"打开"_s, u"所有文件(*.*)"_s);
        open->setOption(QFileDialog::DontUseNativeDialog);
        open->setDirectory(dir.path());
        open->show();
        auto* openList = open->findChild<QTreeView*>(u"treeView"_s);
        QTRY_COMPARE(openList->model()->rowCount(openList->rootIndex()), 2);
        QStringList dates;
        for (int r = 0; r < 2; ++r)
            dates << openList->model()->index(r, 3, openList->rootIndex()).data().toString();
        QVERIFY2(dates.contains(chinese.toString(when, QLocale::ShortFormat)), qPrintable(dates.join(u'|')));
        QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
    }

    // askSaveFileName: a proposed name in the folder this user saved into
    // last, remembered in the program's settings, and the chosen type's
    // extension for a name typed without one.
    void saveDialogsProposeRememberAndAddTheExtension()
    {
        QTemporaryDir dir;
        setProgramSettingsFile(dir.filePath(u"tiku.ini"_s));
        CurrentUser() = CurrentUserState{};
        CurrentUser().userName = u"张老师"_s;
        ScriptedDialogs d;
        const QString filter =
            u"WORD Files (*.doc);;RTF Files (*.rtf);;Text Files (*.txt);;All files (*.*)"_s;
        const QString first = lastSaveFolder();
        QVERIFY(QFileInfo(first).isDir());
        QVERIFY(QDir(dir.path()).mkdir(u"试卷"_s));
        const QString papers = dir.filePath(u"试卷"_s);

        d.answerFile(papers + u"/期中"_s);
        QCOMPARE(askSaveFileName(nullptr, u"另存为"_s, u"试卷-20261208.rtf"_s, filter),
                 papers + u"/期中.rtf"_s);
        QCOMPARE(d.shown().last().text, QDir(first).filePath(u"试卷-20261208.rtf"_s));
        QCOMPARE(d.saveTypesShown().last(), u"RTF Files (*.rtf)"_s);

        // The next dialog opens there; the type chosen gives the extension,
        // 所有文件 none, and an extension typed stays.
        d.answerFile(papers + u"/答案"_s, u"Text Files (*.txt)"_s);
        QCOMPARE(askSaveFileName(nullptr, u"另存为"_s, u"答案-20261208.rtf"_s, filter),
                 papers + u"/答案.txt"_s);
        QCOMPARE(d.shown().last().text, papers + u"/答案-20261208.rtf"_s);
        d.answerFile(papers + u"/草稿"_s, u"All files (*.*)"_s);
        QCOMPARE(askSaveFileName(nullptr, u"另存为"_s, u"试卷.rtf"_s, filter), papers + u"/草稿"_s);
        d.answerFile(papers + u"/期末.doc"_s);
        QCOMPARE(askSaveFileName(nullptr, u"另存为"_s, u"试卷.rtf"_s, filter), papers + u"/期末.doc"_s);
        d.answerFile(papers + u"/卷"_s);
        QCOMPARE(askSaveFileName(nullptr, u"导出PDF"_s, u"试卷.pdf"_s, u"PDF文件(*.pdf);;所有文件(*.*)"_s),
                 papers + u"/卷.pdf"_s);
        // Without file types the name stays exactly as chosen.
        d.answerFile(papers + u"/知识点"_s);
        QCOMPARE(askSaveFileName(nullptr, u"另存为"_s, u"知识点-20261208.rtf"_s), papers + u"/知识点"_s);

        // Each user of the program has a folder of their own; a cancelled
        // dialog remembers nothing.
        CurrentUser().userName = u"李老师"_s;
        QCOMPARE(lastSaveFolder(), first);
        d.answerFile(QString());
        QCOMPARE(askSaveFileName(nullptr, u"另存为"_s, u"试卷.rtf"_s, filter), QString());
        QCOMPARE(lastSaveFolder(), first);
        CurrentUser().userName = u"张老师"_s;
        QCOMPARE(lastSaveFolder(), papers);
        // Kept in the program's settings, for the next run.
        QVERIFY(openProgramSettings()->allKeys().size() == 1);
        // A folder that is gone (a USB stick taken out): back to the first.
        QVERIFY(QDir(papers).removeRecursively());
        QCOMPARE(lastSaveFolder(), first);
        QVERIFY(d.allAnswered());

        QCOMPARE(datedFileName(u"试卷"_s, u"rtf"_s),
                 u"试卷-%1.rtf"_s.arg(QDate::currentDate().toString(u"yyyyMMdd"_s)));
        CurrentUser() = CurrentUserState{};
        setProgramSettingsFile(QString());
    }
};

QTEST_MAIN(PlatformTest)
#include "PlatformTest.moc"

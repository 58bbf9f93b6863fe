// The small pieces of the platform layer: the window registry, child windows,
// the scripted dialogs tests rely on, twips, and the report of a store failure.
#include "store/BankStore.h"
#include "ui/ChildWindows.h"
#include "ui/ScriptedDialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

using namespace Qt::StringLiterals;

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
};

QTEST_MAIN(PlatformTest)
#include "PlatformTest.moc"

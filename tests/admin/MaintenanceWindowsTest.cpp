// 备份题库, 恢复题库 and 合并题库 opened from the 题库管理 menu and used through
// their buttons and file dialogs, against real bank files.
#include "admin/BankMaintenance.h"
#include "admin/frmbackup.h"
#include "admin/HBTiKu.h"
#include "admin/HFTKU.h"
#include "AdminTestSupport.h"
#include "common/Accessibility.h"
#include "questions/frmseastu.h"
#include "questions/WindowDriver.h"
#include "ui/ChildWindows.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTemporaryDir>

using Shown = ScriptedDialogs::Shown;

namespace {

Shown message(const QString& title, const QString& text)
{
    return ScriptedDialogs::info(title, text);
}

Shown ask(const QString& text)
{
    return ScriptedDialogs::ask(u"郑重提示"_s, text);
}

// The save dialog of 选择, proposing dbbackup.mdb in `folder` (the one saved into last).
Shown chooseSave(const QString& folder)
{
    return {ScriptedDialogs::Kind::SaveFile, u"另存为"_s, QDir(folder).filePath(u"dbbackup.mdb"_s),
            Dialogs::Icon::None, Dialogs::Buttons::Ok};
}

Shown chooseOpen()
{
    return {ScriptedDialogs::Kind::OpenFile, u"打开"_s, QString(), Dialogs::Icon::None, Dialogs::Buttons::Ok};
}

bool hasCloseBox(QWidget* w)
{
    return childFrame(w)->windowFlags().testFlag(Qt::WindowCloseButtonHint);
}

QStringList labels(QWidget* w)
{
    QStringList out;
    for (const QLabel* l : w->findChildren<QLabel*>())
        out << l->text();
    for (const QGroupBox* g : w->findChildren<QGroupBox*>())
        out << u'[' + g->title() + u']';
    out.sort();
    return out;
}

} // namespace

class MaintenanceWindowsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QTemporaryDir> folder;
    QString workingDir;

    QString other(const QString& name) const { return folder->filePath(name); }
    QString bankPath() const { return f->bank->bankPath(); }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        folder = std::make_unique<QTemporaryDir>();
        workingDir = QDir::currentPath();
        QDir::setCurrent(folder->path());
        for (const TestQuestion& q : numbered({u"1"_s, u"2"_s, u"3"_s}, u"bank"_s))
            f->bank->addQuestion(q);
        f->bank->addUser(u"admin"_s, u"admin123"_s, u"超级管理"_s);
        f->bank->addQuestionType(u"选择题"_s);
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
        QDir::setCurrent(workingDir);
        folder.reset();
    }

    void backupWindowAsItOpens()
    {
        auto* w = f->open<frmbackup>(u"BFTK"_s);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"备份题库"_s);
        QCOMPARE(w->size(), twipsSize(7200, 3450));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(2000, 1000));
        QVERIFY(!hasCloseBox(w));
        QCOMPARE(labels(w), (QStringList{u"[操作项目]"_s, u"保存的位置："_s, u"备份题库"_s,
                                         u"请经常备份题库，以确保数据不丢失。"_s}));
        QVERIFY(w->Text2->isReadOnly());
        QCOMPARE(w->Text2->toolTip(), u"在这里可以把题库备份防止损失数据"_s);
        QCOMPARE(w->Command2->toolTip(), u"单击选择题库备份的位置"_s);
        QCOMPARE(w->Command3->text(), u"开始备份"_s);
        QCOMPARE(unnamedInputs(w), QStringList());
    }

    void backupAsksAndCopies()
    {
        auto* w = f->open<frmbackup>(u"BFTK"_s);
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{message(u"温馨提示"_s, u"请选择备份题库存放的目录"_s)});

        const QString target = other(u"周五.mdb"_s);
        const QString firstFolder = lastSaveFolder();
        f->dialogs->answerFile(target);
        click(w, "Command2");
        QCOMPARE(w->Text2->text(), target);
        QCOMPARE(f->dialogs->saveFilters().last(), u"数据库文件(*.mdb)"_s);
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{chooseSave(firstFolder), ask(u"您是否确定备份题库？"_s),
                               message(u"温馨提示"_s, u"请关闭退出后再重新运行程序然后备份！"_s)}));
        QVERIFY(!QFileInfo::exists(target));

        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定备份题库？"_s), message(u"提示"_s, u"题库备份成功！"_s)}));
        QCOMPARE(dump(target), dump(bankPath()));

        // The next 选择 opens in that folder; a name typed without an
        // extension gets .mdb.
        QDir().mkpath(other(u"U盘"_s));
        f->dialogs->answerFile(other(u"U盘/周六"_s));
        click(w, "Command2");
        QCOMPARE(f->boxes(), QList<Shown>{chooseSave(folder->path())});
        QCOMPARE(w->Text2->text(), other(u"U盘/周六.mdb"_s));
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), message(u"提示"_s, u"题库备份成功！"_s));
        QCOMPARE(dump(other(u"U盘/周六.mdb"_s)), dump(bankPath()));
    }

    // A cancelled dialog leaves its proposed name: a file in the current folder.
    void backupAfterACancelledDialog()
    {
        auto* w = f->open<frmbackup>(u"BFTK"_s);
        f->dialogs->answerFile(QString());
        click(w, "Command2");
        QCOMPARE(w->Text2->text(), u"dbbackup.mdb"_s);
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), message(u"提示"_s, u"题库备份成功！"_s));
        QCOMPARE(dump(other(u"dbbackup.mdb"_s)), dump(bankPath()));
    }

    void backupWhileASearchHoldsItsResult()
    {
        auto* search = f->open<frmseastu>(u"searstu"_s);
        click(search, "Command6");
        QCOMPARE(search->form()->Text8->text(), u"1"_s);
        auto* w = f->open<frmbackup>(u"BFTK"_s);
        f->dialogs->answerFile(other(u"copy.mdb"_s));
        click(w, "Command2");
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), message(u"提示"_s, u"题库备份成功！"_s));
        QCOMPARE(dump(other(u"copy.mdb"_s)), dump(bankPath()));
        click(search, "Command5");
        QCOMPARE(search->form()->Text8->text(), u"2"_s);
    }

    void aFailedBackupSaysSoAndWritesNothing()
    {
        auto* w = f->open<frmbackup>(u"BFTK"_s);
        f->dialogs->answerFile(other(u"没有的文件夹/copy.mdb"_s));
        click(w, "Command2");
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), message(u"温馨提示"_s, u"请关闭退出后再重新运行程序然后备份！"_s));
        QVERIFY(!QFileInfo::exists(other(u"没有的文件夹"_s)));
        QVERIFY(w->isVisible());
    }

    void restoreWindowAsItOpens()
    {
        auto* w = f->open<HFTKU>(u"HFTK"_s);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"恢复题库"_s);
        QCOMPARE(w->size(), twipsSize(7170, 3840));
        QVERIFY(!hasCloseBox(w));
        QCOMPARE(labels(w),
                 (QStringList{u"[操作项目]"_s, u"[选择数据源]"_s, u"恢复题库"_s, u"打开源数据题库："_s,
                              u"请慎重选择恢复操作，以确保数据不丢失。"_s}));
        QCOMPARE(w->findChild<QGroupBox*>(u"Frame1"_s)->toolTip(), u"在这里可以把以前备份的题库恢复进来"_s);
        QCOMPARE(w->Command1->toolTip(), u"单击打开以前备份的题库"_s);
        QCOMPARE(unnamedInputs(w), QStringList());
        click(w, "Command4");
        QTRY_VERIFY(!WindowRegistry::instance().existing<HFTKU>());
    }

    // The bank returns to the backup, users and classifications included,
    // under a search that keeps its result open.
    void restoreFromABackup()
    {
        const QString backup = other(u"backup.mdb"_s);
        BankMaintenance::backup(bankPath(), backup);
        f->bank->addUser(u"新老师"_s, u"x"_s);
        f->bank->addQuestionType(u"证明题"_s);
        BankStore::openBank().updateWhere({u"数学题库"_s, u"题目编号 = '2'"_s, {}},
                                          {{u"录入人"_s, u"改过"_s}});
        auto* search = f->open<frmseastu>(u"searstu"_s);
        click(search, "Command6");

        auto* w = f->open<HFTKU>(u"HFTK"_s);
        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{message(u"警告"_s, u"请选择题库源文件"_s)});
        f->dialogs->answerFile(backup);
        click(w, "Command1");
        QCOMPARE(w->Text1->text(), backup);
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(), (QList<Shown>{chooseOpen(), ask(u"您是否确定恢复题库？"_s + backup)}));
        QCOMPARE(f->bank->store().users().size(), size_t(2));

        const QStringList changed = dump(bankPath());
        f->dialogs->answerYes();
        click(w, "Command3");
        // The bank as it was is kept beside it, and the message says where.
        const QStringList kept =
            QDir(f->bank->programDir() + u"/DATA"_s).entryList({u"TiKu-恢复前-*.mdb"_s}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString safety = f->bank->programDir() + u"/DATA/"_s + kept.first();
        QCOMPARE(f->boxes(),
                 (QList<Shown>{ask(u"您是否确定恢复题库？"_s + backup),
                               message(u"提示"_s, u"题库恢复成功！\n恢复前的题库保存在“%1”。"_s.arg(
                                                      QDir::toNativeSeparators(safety)))}));
        QCOMPARE(dump(safety), changed);
        QStringList now = dump(bankPath());
        QStringList then = dump(backup);
        QCOMPARE(now.mid(0, now.size() - 1), then.mid(0, then.size() - 1));
        click(search, "Command5");
        QCOMPARE(shownFields(search->form()).at(7), u"张老师"_s);
    }

    // A file that cannot be restored is refused before the teacher is asked
    // whether to go on: a damaged bank file, one whose questions are a view.
    void restoreRefusesADamagedFileBeforeAsking()
    {
        const QString damaged = other(u"坏的备份.mdb"_s);
        makeBank(damaged);
        appendLargeQuestions(damaged, 60, 4000);
        scribble(damaged, 64 * 1024, 64 * 1024);
        const QByteArray before = fingerprint(bankPath());
        auto* w = f->open<HFTKU>(u"HFTK"_s);
        f->dialogs->answerFile(damaged);
        click(w, "Command1");
        click(w, "Command3");
        const QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes.last().title, u"警告"_s);
        QVERIFY2(boxes.last().text.startsWith(u"文件“%1”已损坏（"_s.arg(QDir::toNativeSeparators(damaged))),
                 qPrintable(boxes.last().text));
        QVERIFY2(boxes.last().text.endsWith(u"题库没有任何改动。"_s), qPrintable(boxes.last().text));
        QCOMPARE(fingerprint(bankPath()), before);
    }

    void restoreFromSomethingElseLeavesTheBank()
    {
        const QString notes = other(u"notes.mdb"_s);
        writeFile(notes, "这不是题库");
        const QByteArray before = fingerprint(bankPath());
        auto* w = f->open<HFTKU>(u"HFTK"_s);
        f->dialogs->answerFile(notes);
        click(w, "Command1");
        f->dialogs->answerFile(QString()); // cancelled: the name chosen before stays
        click(w, "Command1");
        QCOMPARE(w->Text1->text(), notes);
        click(w, "Command3"); // refused before any question
        const QList<Shown> boxes = f->boxes();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes.last().title, u"警告"_s);
        QCOMPARE(boxes.last().text, u"文件“%1”不是题库文件（不是数据库文件），题库没有任何改动。"_s.arg(
                                        QDir::toNativeSeparators(notes)));
        QCOMPARE(fingerprint(bankPath()), before);
    }

    void mergeWindowAsItOpens()
    {
        auto* w = f->open<HBTiKu>(u"HBTK"_s);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"合并题库"_s);
        QCOMPARE(w->size(), twipsSize(6945, 3465));
        QVERIFY(hasCloseBox(w));
        QCOMPARE(labels(w),
                 (QStringList{u"[操作选项]"_s, u"[选择数据源]"_s, u"合并题库……"_s, u"打开数据源题库："_s}));
        QCOMPARE(w->findChild<QGroupBox*>(u"Frame1"_s)->toolTip(), u"在这里可以把外部题库合并进来"_s);
        QCOMPARE(w->Command1->toolTip(), u"选择外部题库的位置"_s);
        QCOMPARE(w->Command3->toolTip(), u"单击即可完成题库合并"_s);
        QVERIFY(!w->ProgressBar1->isVisible());
        QCOMPARE(unnamedInputs(w), QStringList());

        click(w, "Command3");
        QCOMPARE(f->boxes(), QList<Shown>{message(u"温馨提示："_s, u"请选择题库源文件"_s)});
        QCOMPARE(w->focusWidget(), w->Command1);
    }

    void mergeAppendsUnderNewNumbers()
    {
        const QString source = other(u"学校.mdb"_s);
        makeBank(source, numbered({u"1"_s, u"2"_s}, u"s"_s));
        auto* w = f->open<HBTiKu>(u"HBTK"_s);
        f->dialogs->answerFile(source);
        click(w, "Command1");
        f->dialogs->answerNo();
        click(w, "Command3");
        QCOMPARE(f->boxes(), (QList<Shown>{chooseOpen(), ask(u"您是否确定合并题库？"_s + source)}));
        QCOMPARE(numbersOf(bankPath()).size(), 3);

        for (int time = 0; time < 2; ++time) {
            f->dialogs->answerYes();
            click(w, "Command3");
            QCOMPARE(f->boxes().last(), message(u"温馨提示："_s, u"题库合并成功！"_s));
        }
        QCOMPARE(numbersAndContents(bankPath()).mid(3),
                 (QStringList{u"4 {\\rtf1\\ansi\\ansicpg936 s-1\\par}"_s,
                              u"5 {\\rtf1\\ansi\\ansicpg936 s-2\\par}"_s,
                              u"6 {\\rtf1\\ansi\\ansicpg936 s-1\\par}"_s,
                              u"7 {\\rtf1\\ansi\\ansicpg936 s-2\\par}"_s}));
        QVERIFY(w->isEnabled());
    }

    // The merged questions come with the knowledge paths and types the bank
    // lacked, and the message says how many.
    void mergeBringsTheClassificationAlong()
    {
        const QString source = other(u"学校.mdb"_s);
        makeBank(source, numbered({u"1"_s}, u"s"_s));
        BankStore::openExternalBank(source).appendKnowledgePath({u"统计与概率"_s, u"概率"_s, u"频率"_s});
        BankStore::openExternalBank(source).appendQuestionType(u"选择题"_s); // the bank has it
        BankStore::openExternalBank(source).appendQuestionType(u"证明题"_s);
        auto* w = f->open<HBTiKu>(u"HBTK"_s);
        f->dialogs->answerFile(source);
        click(w, "Command1");
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(
            f->boxes().last(),
            message(u"温馨提示："_s, u"题库合并成功！\n题库原来没有的知识点1条、题型1个也已一并加入。"_s));
        QCOMPARE(f->bank->store().questionTypes().size(), size_t(2));
        QCOMPARE(f->bank->store().knowledgePaths().size(), size_t(1));
    }

    // A backup onto a disk that fills up says so, and names the file chosen.
    void backupOntoAFullDiskSaysSo()
    {
        appendLargeQuestions(bankPath(), 200, 8000);
        SmallDisk disk(QFileInfo(bankPath()).size() / 1024 / 2);
        if (!disk.isMounted())
            QSKIP("a small file system needs root (mount -t tmpfs); MaintenanceToolTest fills one too");
        const QString target = disk.path(u"备份.mdb"_s);
        auto* w = f->open<frmbackup>(u"BFTK"_s);
        f->dialogs->answerFile(target);
        click(w, "Command2");
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(
            f->boxes().last(),
            message(u"温馨提示"_s,
                    u"磁盘已满，题库没有备份到“%1”。请换一个有空余空间的位置，或者清理磁盘后再备份。"_s.arg(
                        QDir::toNativeSeparators(target))));
        QCOMPARE(QDir(disk.path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void mergeRefusesTheBankItselfAndOtherFiles()
    {
        const QString notes = other(u"notes.mdb"_s);
        writeFile(notes, "这不是题库");
        const QByteArray before = fingerprint(bankPath());
        auto* w = f->open<HBTiKu>(u"HBTK"_s);
        for (const QString& source : {notes, bankPath()}) {
            f->dialogs->answerFile(source);
            click(w, "Command1");
            f->dialogs->answerYes();
            click(w, "Command3");
            const Shown last = f->boxes().last();
            QCOMPARE(last.title, u"温馨提示："_s);
            QVERIFY2(last.text.contains(QDir::toNativeSeparators(source)), qPrintable(last.text));
            QVERIFY2(last.text.contains(source == notes ? u"不是题库文件"_s : u"不能把题库合并到它自己"_s),
                     qPrintable(last.text));
        }
        QCOMPARE(fingerprint(bankPath()), before);
    }

    void aLongMergeShowsItsProgress()
    {
        const QString source = other(u"大题库.mdb"_s);
        QStringList numbers;
        for (int i = 1; i <= 3500; ++i)
            numbers << QString::number(i);
        makeBank(source, numbered(numbers));
        auto* w = f->open<HBTiKu>(u"HBTK"_s);
        QList<int> seen;
        bool visibleThroughout = true;
        connect(w->ProgressBar1, &QProgressBar::valueChanged, this, [&](int value) {
            seen << value;
            visibleThroughout = visibleThroughout && w->ProgressBar1->isVisible() && !w->isEnabled();
        });
        f->dialogs->answerFile(source);
        click(w, "Command1");
        f->dialogs->answerYes();
        click(w, "Command3");
        QCOMPARE(f->boxes().last(), message(u"温馨提示："_s, u"题库合并成功！"_s));
        QCOMPARE(seen, (QList<int>{285, 571, 857, 1000}));
        QVERIFY(visibleThroughout);
        QVERIFY(!w->ProgressBar1->isVisible());
        QVERIFY(w->isEnabled());
        QCOMPARE(numbersOf(bankPath()).size(), 3503);
    }
};

QTEST_MAIN(MaintenanceWindowsTest)
#include "MaintenanceWindowsTest.moc"

// 导出知识点到WORD (DaoChZHSHD) and 导出题型到WORD (DaoCHTX) opened from the
// menu: the document shown, the clipboard left empty, the saved file, and the
// same bytes as tiku-admin export.
#include "classify/DaoCHTX.h"
#include "classify/DaoChZHSHD.h"
#include "common/Accessibility.h"
#include "common/OrdinaryUser.h"
#include "questions/WindowDriver.h"
#include "rtf/RtfReader.h"
#include "SmallClassification.h"
#include "ui/ChildWindows.h"
#include "ui/Clipboard.h"
#include "ui/Twips.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QTextDocument>

using Shown = ScriptedDialogs::Shown;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString textOfRtf(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText();
}

bool clipboardIsEmpty()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return Clipboard::GetText().isEmpty() && (!data || data->formats().isEmpty());
}

} // namespace

class ExportWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    QTemporaryDir out;

    DaoChZHSHD* openKnowledge() { return f->open<DaoChZHSHD>(u"DaoCHuZHSHD"_s); }
    DaoCHTX* openTypes() { return f->open<DaoCHTX>(u"DaoCHuTX"_s); }

    // 保  存 with `path` chosen in the save dialog.
    void save(ClassificationExportWindow* w, const QString& path)
    {
        f->dialogs->answerFile(path);
        click(w, "Command2");
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->mainWindow();
    }
    void cleanup()
    {
        QVERIFY2(f->dialogs->allAnswered(), qPrintable(f->dialogs->unexpected().join(u'|')));
        f.reset();
    }

    void knowledgeExportOpensEmptyWithSaveDisabled()
    {
        DaoChZHSHD* w = openKnowledge();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"导出知识点到WORD"_s);
        QCOMPARE(w->size(), twipsSize(5160, 7200));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(3500, 200));
        QCOMPARE(unnamedInputs(w), QStringList());
        QCOMPARE(w->findChild<QGroupBox*>()->title(), u"操作选项"_s);
        QCOMPARE(w->Command1->text(), u"导  出"_s);
        QCOMPARE(w->Command2->text(), u"保  存"_s);
        QCOMPARE(w->Command3->text(), u"退  出"_s);
        QVERIFY(w->Command1->x() < w->Command2->x() && w->Command2->x() < w->Command3->x());
        QVERIFY(!w->Command2->isEnabled());
        QCOMPARE(w->RichTextBox1->Text(), QString());
        QVERIFY(!w->RichTextBox1->isReadOnly());
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    void knowledgeExportShowsTheOutlineAndEmptiesTheClipboard()
    {
        small::addKnowledgePaths(*f->bank);
        DaoChZHSHD* w = openKnowledge();
        Clipboard::SetText("{\\rtf1\\ansi the teacher's clipboard}");
        QGuiApplication::clipboard()->setText(u"还有纯文本"_s);
        click(w, "Command1");
        QCOMPARE(w->RichTextBox1->Text(), small::knowledgePointText());
        QVERIFY(w->Command2->isEnabled());
        QVERIFY(clipboardIsEmpty());
        QCOMPARE(f->boxes(), QList<Shown>());

        // Pressed again: the document starts afresh from the bank.
        f->bank->addKnowledgePath(u"综合"_s, u"课题学习"_s, u"设计制作"_s);
        click(w, "Command1");
        QCOMPARE(w->RichTextBox1->Text(),
                 small::knowledgePointText() +
                     u"｛5｝：综合\n      ［1］：课题学习\n            （1）：设计制作\n"_s);
    }

    void typeExportListsEveryRowInStoredOrder()
    {
        small::addQuestionTypes(*f->bank);
        DaoCHTX* w = openTypes();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"导出题型到WORD"_s);
        QCOMPARE(w->size(), twipsSize(3700, 6150));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(4000, 200));
        QCOMPARE(unnamedInputs(w), QStringList());
        Clipboard::SetText("{\\rtf1\\ansi x}");
        click(w, "Command1");
        QCOMPARE(w->RichTextBox1->Text(), small::questionTypeText());
        QVERIFY(clipboardIsEmpty());
        QVERIFY(w->Command2->isEnabled());
    }

    void emptyTablesGiveTheTitleAlone()
    {
        DaoChZHSHD* k = openKnowledge();
        click(k, "Command1");
        QCOMPARE(k->RichTextBox1->Text(), small::emptyKnowledgePointText());
        QVERIFY(k->Command2->isEnabled());
        DaoCHTX* t = openTypes();
        click(t, "Command1");
        QCOMPARE(t->RichTextBox1->Text(), small::emptyQuestionTypeText());
        QVERIFY(t->Command2->isEnabled());
        QCOMPARE(f->boxes(), QList<Shown>());
    }

    void saveWritesRtfUnderExactlyTheChosenName()
    {
        small::addKnowledgePaths(*f->bank);
        DaoChZHSHD* w = openKnowledge();
        click(w, "Command1");
        const QString path = out.filePath(u"知识点"_s);
        // The dialog proposes the classification's name with the date, in
        // the folder saved into last (the first time the Documents folder).
        const QString folder = lastSaveFolder();
        save(w, path);
        QCOMPARE(f->boxes(), (QList<Shown>{{ScriptedDialogs::Kind::SaveFile, u"另存为"_s,
                                            QDir(folder).filePath(datedFileName(u"知识点"_s, u"rtf"_s)),
                                            Dialogs::Icon::None, Dialogs::Buttons::Ok}}));
        // No file types: the name chosen is kept exactly, without an extension.
        QCOMPARE(f->dialogs->saveFilters().last(), QString());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{u"知识点"_s});
        const QByteArray rtf = readFile(path);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
        QCOMPARE(textOfRtf(rtf), small::knowledgePointText());

        // What the box holds is saved, the teacher's edits included.
        QTextCursor c(w->RichTextBox1->document());
        c.movePosition(QTextCursor::End);
        c.insertText(u"（完）"_s);
        save(w, path + u".rtf"_s);
        // The next save opens where the last one went.
        QCOMPARE(f->boxes().last().text, QDir(out.path()).filePath(datedFileName(u"知识点"_s, u"rtf"_s)));
        QCOMPARE(textOfRtf(readFile(path + u".rtf"_s)), small::knowledgePointText() + u"（完）"_s);

        // Cancelled: nothing is written.
        save(w, QString());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 2);
        f->boxes();
    }

    void theSavedDocumentIsTiKuAdminExportsByteForByte()
    {
        small::addKnowledgePaths(*f->bank);
        small::addQuestionTypes(*f->bank);
        DaoChZHSHD* k = openKnowledge();
        click(k, "Command1");
        save(k, out.filePath(u"window-kp.rtf"_s));
        DaoCHTX* t = openTypes();
        click(t, "Command1");
        save(t, out.filePath(u"window-tx.rtf"_s));

        for (const auto& [option, name] :
             {std::pair{u"--knowledge-points"_s, u"kp"_s}, std::pair{u"--question-types"_s, u"tx"_s}}) {
            QProcess p;
            p.start(QString::fromUtf8(TIKU_ADMIN),
                    {u"export"_s, f->bank->bankPath(), option, out.filePath(u"admin-"_s + name + u".rtf"_s)});
            QVERIFY(p.waitForFinished(60000));
            QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
            QCOMPARE(readFile(out.filePath(u"admin-"_s + name + u".rtf"_s)),
                     readFile(out.filePath(u"window-"_s + name + u".rtf"_s)));
        }
        f->boxes();
    }

    void aFailedSaveSaysWhyAndKeepsTheOldFile()
    {
        small::addQuestionTypes(*f->bank);
        DaoCHTX* w = openTypes();
        click(w, "Command1");
        const QString nowhere = out.filePath(u"没有的文件夹/题型.rtf"_s);
        save(w, nowhere);
        QList<Shown> shown = f->boxes();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).title, u"提示"_s);
        QVERIFY2(shown.at(1).text.startsWith(u"无法保存文件“"_s + QDir::toNativeSeparators(nowhere)),
                 qPrintable(shown.at(1).text));

        // A read-only folder: the old file stays whole.
        const QString folder = out.filePath(u"只读"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString old = folder + u"/题型.rtf"_s;
        {
            QFile file(old);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old");
        }
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        {
            OrdinaryUser user({out.path(), folder, old});
            QVERIFY(!QFile(folder + u"/probe"_s).open(QIODevice::WriteOnly));
            save(w, old);
            shown = f->boxes();
            QCOMPARE(shown.size(), 2);
            QVERIFY(shown.at(1).text.startsWith(u"无法保存文件“"_s));
            QCOMPARE(readFile(old), QByteArray("old"));
        }
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void exitDiscardsTheWindow()
    {
        small::addQuestionTypes(*f->bank);
        DaoCHTX* w = openTypes();
        click(w, "Command1");
        QPointer<DaoCHTX> watched = w;
        QPointer<QMdiSubWindow> frame = childFrame(w);
        click(w, "Command3");
        QTRY_VERIFY(!watched);
        QTRY_VERIFY(!frame);
        QCOMPARE(f->boxes(), QList<Shown>());

        // The next command makes it anew: empty, 保  存 off.
        w = openTypes();
        QVERIFY(w);
        QCOMPARE(w->RichTextBox1->Text(), QString());
        QVERIFY(!w->Command2->isEnabled());
    }
};

QTEST_MAIN(ExportWindowTest)
#include "ExportWindowTest.moc"

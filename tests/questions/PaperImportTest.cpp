// A Word paper on its way into the bank without windows: read from a file,
// adjusted as a teacher adjusts it (join, split, move a paragraph, drop,
// set fields), and appended in one transaction after the bank's last number.
#include "questions/PaperImport.h"
#include "common/TestBank.h"
#include "compose/PaperComposer.h"
#include "docx/BodyWriter.h"
#include "docx/OfficeConversion.h"
#include "docxgen/PaperSamples.h"
#include "formula/FormulaEngine.h"
#include "metafilegen/OleWriter.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "store/BankTables.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

namespace {

const QStringList kTypes{u"选择题"_s, u"填空题"_s, u"解答题"_s};

QString textOf(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText();
}

QStringList paperNumbers(const PaperImport& p)
{
    QStringList out;
    for (const ImportedQuestion& q : p.questions())
        out << q.paperNumber;
    return out;
}

// The position of `text` in a body as the RTF reader reads it.
int positionOf(const QByteArray& rtf, const QString& text)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText().indexOf(text);
}

} // namespace

class PaperImportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<FormulaEngine> engine;
    std::unique_ptr<docx::FormulaPictures> formulas;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    PaperImport opened(const QByteArray& docx, const QuestionRecord& defaults = {})
    {
        PaperImport p;
        QString error;
        if (!p.open(write(u"试卷.docx"_s, docx), kTypes, defaults, formulas.get(), &error))
            qFatal("not opened: %s", qPrintable(error));
        return p;
    }

private slots:
    void initTestCase()
    {
        engine = std::make_unique<FormulaEngine>(QStringLiteral(TIKU_FORMULA_SCRIPT));
        QString error;
        QVERIFY2(engine->load(&error), qPrintable(error));
        formulas = std::make_unique<docx::FormulaPictures>(engine.get());
    }

    // The paper's questions with their answers, types and counts, each body
    // a whole RTF document of the program; the defaults fill every question.
    void opensAPaper()
    {
        QuestionRecord defaults;
        defaults.enteredBy = u"王老师"_s;
        defaults.enteredAt = u"2026-12-09"_s;
        const PaperImport p = opened(docxgen::wordPaper(), defaults);
        QCOMPARE(paperNumbers(p), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
        const ImportedQuestion& first = p.questions()[0];
        QCOMPARE(first.firstLine(), u"下列各数中，最小的数是（ ）"_s);
        QCOMPARE(p.questions()[1].formulas, 5);
        QCOMPARE(first.record.type, u"选择题"_s);
        QVERIFY(!first.typeGuessed);
        QCOMPARE(first.record.enteredBy, u"王老师"_s);
        QCOMPARE(first.record.enteredAt, u"2026-12-09"_s);
        QVERIFY(first.record.content.startsWith("{\\rtf1\\ansi\\ansicpg936"));
        QCOMPARE(textOf(first.record.answer), u"A"_s);
        for (const ImportedQuestion& q : p.questions())
            QVERIFY2(q.hasAnswer(), qPrintable(q.paperNumber));
        QCOMPARE(p.questions()[2].pictures, 1);
        QCOMPARE(p.questions()[6].pictures, 2);
        QVERIFY(p.questions()[6].warnings.join(u'\n').contains(u"Word 绘制的图形"_s));
        QVERIFY(p.conversionNotice().isEmpty());
    }

    // Join, split at a position, move a paragraph both ways, drop: each
    // keeps every paragraph somewhere and changes only what it says.
    void teacherAdjustments()
    {
        PaperImport p = opened(docxgen::wordPaper());
        const QString firstContent = textOf(p.questions()[0].record.content);
        const QString secondContent = textOf(p.questions()[1].record.content);

        QVERIFY(p.join(0));
        QCOMPARE(p.count(), 6);
        QCOMPARE(textOf(p.questions()[0].record.content), firstContent + u'\n' + secondContent);
        QCOMPARE(textOf(p.questions()[0].record.answer), u"A\nA"_s);
        QCOMPARE(p.questions()[0].formulas, 5);
        QVERIFY(!p.join(5)); // the last has nothing after it

        // Split back where the second question began; the answer at its
        // second paragraph.
        const ImportedQuestion joined = p.questions()[0];
        const int at = positionOf(joined.record.content, secondContent.left(8));
        QVERIFY(at > 0);
        QVERIFY(p.split(0, at, 2));
        QCOMPARE(p.count(), 7);
        QCOMPARE(textOf(p.questions()[0].record.content), firstContent);
        QCOMPARE(textOf(p.questions()[1].record.content), secondContent);
        QCOMPARE(textOf(p.questions()[0].record.answer), u"A"_s);
        QCOMPARE(textOf(p.questions()[1].record.answer), u"A"_s);
        QCOMPARE(p.questions()[1].paperNumber, u"1-2"_s);
        QCOMPARE(p.questions()[1].formulas, 5);
        QVERIFY(!p.split(0, 0, 0)); // nothing before the cut
        QVERIFY(!p.split(9, 3, 0));

        // 解方程组 …（2） 用加减法解． : its last paragraph to the answer and back.
        const int solve = 5;
        const QString content = textOf(p.questions()[solve].record.content);
        const QString answer = textOf(p.questions()[solve].record.answer);
        const int last = positionOf(p.questions()[solve].record.content, u"（2）"_s);
        QVERIFY(last > 0);
        QVERIFY(p.moveParagraph(solve, PaperImport::Side::Content, last + 2));
        QVERIFY(textOf(p.questions()[solve].record.answer).startsWith(u"（2）"_s));
        QVERIFY(textOf(p.questions()[solve].record.answer).contains(u"用加减法解．"_s));
        QVERIFY(!textOf(p.questions()[solve].record.content).contains(u"用加减法解"_s));
        QCOMPARE(p.questions()[solve].pictures, 1); // the figure went with its paragraph
        QVERIFY(p.moveParagraph(solve, PaperImport::Side::Answer, 1));
        QCOMPARE(textOf(p.questions()[solve].record.content), content);
        QCOMPARE(textOf(p.questions()[solve].record.answer), answer);

        QVERIFY(p.drop(6));
        QVERIFY(!p.drop(6));
        QCOMPARE(paperNumbers(p), QStringList({u"1"_s, u"1-2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}));
    }

    void setFieldsOnSomeOrAll()
    {
        PaperImport p = opened(docxgen::wordPaper());
        ImportFields path;
        path.path = KnowledgePath{u"数与代数"_s, u"有理数"_s, u"相反数"_s};
        path.difficulty = u"B"_s;
        p.setFields({0, 2, 99}, path);
        QCOMPARE(p.questions()[0].record.path.level3, u"相反数"_s);
        QCOMPARE(p.questions()[2].record.difficulty, u"B"_s);
        QCOMPARE(p.questions()[1].record.path, KnowledgePath());
        QCOMPARE(p.questions()[1].record.difficulty, QString());

        ImportFields type;
        type.type = u"填空题"_s;
        p.setFields({1}, type);
        QCOMPARE(p.questions()[1].record.type, u"填空题"_s);
        QCOMPARE(p.questions()[0].record.path.level3, u"相反数"_s); // not given: kept
    }

    // Appended after the bank's last number, in the paper's order, the
    // bodies and fields as previewed.
    void importsAfterTheLastNumber()
    {
        TestBank bank;
        bank.addQuestion({.number = u"1"_s});
        bank.addQuestion({.number = u"12"_s});
        PaperImport p = opened(docxgen::wpsPaper());
        ImportFields fields;
        fields.entranceExam = u"是"_s;
        p.setFields({0, 1, 2, 3, 4, 5}, fields);
        BankStore store = bank.store();
        const NumberedAppend added = p.importInto(store);
        QCOMPARE(added.appended, 6);
        QCOMPARE(added.firstNumber, u"13"_s);
        QCOMPARE(added.lastNumber, u"18"_s);
        const std::vector<QuestionRecord> stored = bank.store().questions();
        QCOMPARE(stored.size(), std::size_t(8));
        for (int i = 0; i < 6; ++i) {
            QuestionRecord expected = p.questions()[std::size_t(i)].record;
            expected.number = QString::number(13 + i);
            QCOMPARE(stored[std::size_t(i) + 2], expected);
        }
        QCOMPARE(stored[2].entranceExam, u"是"_s);
    }

    // A failure in the middle appends nothing: the questions before it are
    // taken back with the transaction.
    void aFailedImportAppendsNothing()
    {
        TestBank bank;
        bank.addQuestion({.number = u"1"_s});
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"saboteur"_s);
            db.setDatabaseName(bank.bankPath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY2(q.exec(u"CREATE TRIGGER refuse_four BEFORE INSERT ON 数学题库 WHEN NEW.题目编号 = '4' "
                            u"BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s),
                     qPrintable(q.lastError().text()));
            db.close();
        }
        QSqlDatabase::removeDatabase(u"saboteur"_s);
        PaperImport p = opened(docxgen::wordPaper());
        BankStore store = bank.store();
        const StoreError e = storeErrorOf([&] { p.importInto(store); });
        QVERIFY(e.text.contains(u"disk full"_s));
        QCOMPARE(bank.store().questionCount(), 1);
        QCOMPARE(p.count(), 7); // the preview is still there for another try
    }

    // Files that are no paper get a message naming the file; .doc and .wps
    // need LibreOffice, and without it the teacher is told how to save as .docx.
    void filesThatAreNoPaper()
    {
        PaperImport p;
        QString error;
        QVERIFY(!p.open(write(u"笔记.docx"_s, "just some text"), kTypes, {}, nullptr, &error));
        QVERIFY2(error.contains(u"笔记.docx"_s), qPrintable(error));
        QVERIFY(!p.open(dir.filePath(u"没有.docx"_s), kTypes, {}, nullptr, &error));
        QVERIFY2(error.startsWith(u"无法打开文件"_s), qPrintable(error));

        const QByteArray doc = metafilegen::compoundFile({{u"WordDocument"_s, QByteArray(512, '\0')}});
        docx::setLibreOfficeProgram(QString());
        QVERIFY(!p.open(write(u"旧试卷.doc"_s, doc), kTypes, {}, nullptr, &error));
        QVERIFY(error.contains(u"没有安装 LibreOffice"_s));
        QVERIFY(error.contains(u"另存为"_s));
        QCOMPARE(p.count(), 0);
    }

    // A .doc through the LibreOffice installed here: converted, said so.
    void wordBinaryThroughLibreOffice()
    {
        docx::setLibreOfficeProgram(QStandardPaths::findExecutable(u"soffice"_s));
        if (docx::libreOfficeProgram().isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        const QString source = QStringLiteral(TIKU_DOCX_TEST_DATA "/libreoffice/lo-paper.docx");
        QTemporaryDir out;
        QProcess soffice;
        soffice.start(docx::libreOfficeProgram(),
                      {u"-env:UserInstallation=file://"_s + out.filePath(u"profile"_s), u"--headless"_s,
                       u"--convert-to"_s, u"doc:MS Word 97"_s, u"--outdir"_s, out.path(), source});
        QVERIFY(soffice.waitForFinished(120000));
        const QString doc = out.filePath(u"lo-paper.doc"_s);
        QVERIFY2(QFile::exists(doc), soffice.readAll().constData());
        PaperImport p;
        QString error;
        QVERIFY2(p.open(doc, kTypes, {}, nullptr, &error), qPrintable(error));
        QCOMPARE(p.count(), 7);
        QVERIFY(p.conversionNotice().contains(u"LibreOffice"_s));
        QVERIFY(p.conversionNotice().contains(u"公式"_s));
        QCOMPARE(textOf(p.questions()[1].record.answer), u"C"_s);
    }

    // Round trip: a paper composed by this program (labels （1）（2）… on lines
    // of their own), saved as RTF, turned into .docx by LibreOffice and
    // imported again gives the same questions.
    void composedPaperComesBack()
    {
        docx::setLibreOfficeProgram(QStandardPaths::findExecutable(u"soffice"_s));
        if (docx::libreOfficeProgram().isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        const PaperImport original = opened(docxgen::wpsPaper());
        QTextDocument composed;
        QTextCursor caret(&composed);
        for (int i = 0; i < original.count(); ++i)
            appendItem(caret, paperItemLabel(i + 1), original.questions()[std::size_t(i)].record.content);
        const QString rtf = write(u"composed.rtf"_s, RtfWriter::write(composed));
        QTemporaryDir out;
        QProcess soffice;
        soffice.start(docx::libreOfficeProgram(),
                      {u"-env:UserInstallation=file://"_s + out.filePath(u"profile"_s), u"--headless"_s,
                       u"--convert-to"_s, u"docx:MS Word 2007 XML"_s, u"--outdir"_s, out.path(), rtf});
        QVERIFY(soffice.waitForFinished(120000));
        PaperImport back;
        QString error;
        QVERIFY2(back.open(out.filePath(u"composed.docx"_s), kTypes, {}, formulas.get(), &error),
                 qPrintable(error));
        QCOMPARE(back.count(), original.count());
        for (int i = 0; i < original.count(); ++i) {
            const ImportedQuestion& a = original.questions()[std::size_t(i)];
            const ImportedQuestion& b = back.questions()[std::size_t(i)];
            QCOMPARE(b.paperNumber, QString::number(i + 1));
            QCOMPARE(textOf(b.record.content).simplified(), textOf(a.record.content).simplified());
            QCOMPARE(b.pictures + b.formulas, a.pictures + a.formulas);
        }
    }
};

QTEST_MAIN(PaperImportTest)
#include "PaperImportTest.moc"

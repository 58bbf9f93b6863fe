// tiku-admin import run as a script runs it: what it prints, how it exits,
// what it appends (and that a dry run or a refused file appends nothing).
#include "common/TestBank.h"
#include "docxgen/PaperSamples.h"
#include "rtf/RtfReader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runAdmin(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"USER"_s, u"zhang"_s);
    env.remove(u"USERNAME"_s);
    p.setProcessEnvironment(env);
    p.start(QString::fromUtf8(TIKU_ADMIN), args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString textOf(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText();
}

} // namespace

class ImportToolTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void dryRunWritesNothing()
    {
        TestBank bank;
        bank.addQuestionType(u"选择题"_s);
        bank.addQuestionType(u"填空题"_s);
        bank.addQuestionType(u"解答题"_s);
        const QString paper = write(u"期中.docx"_s, docxgen::wordPaper());
        const QFileInfo before(bank.bankPath());
        const QByteArray bytes = [&] {
            QFile f(bank.bankPath());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        const Run r = runAdmin({u"import"_s, paper, bank.bankPath(), u"--dry-run"_s});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        const QStringList lines = r.out.trimmed().split(u'\n');
        QVERIFY2(lines.first().startsWith(
                     u"1 [选择题] 下列各数中，最小的数是（ ） | pictures 0, formulas 0, answer yes"_s),
                 qPrintable(r.out));
        QVERIFY(r.out.contains(u"7 [解答题]"_s));
        QVERIFY(r.out.contains(u"Word 绘制的图形"_s));
        QVERIFY2(lines.last().endsWith(
                     u": 4 pictures, 8 formulas, 7 answers matched; dry run, nothing was written"_s),
                 qPrintable(lines.last()));
        QVERIFY(lines.last().startsWith(u"found 7 questions in "_s));
        QFile f(bank.bankPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }

    void appendsWithTheFieldsGiven()
    {
        TestBank bank;
        bank.addQuestion({.number = u"99"_s});
        const QString paper = write(u"月考.docx"_s, docxgen::wpsPaper());
        const Run r =
            runAdmin({u"import"_s, paper, bank.bankPath(), u"--knowledge"_s, u"数与代数/整式/幂的运算"_s,
                      u"--type"_s, u"选择题"_s, u"--difficulty"_s, u"C"_s});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.trimmed().endsWith(u"numbered 100 to 105"_s), qPrintable(r.out + r.err));
        QVERIFY(r.out.contains(u"appended 6 questions from "_s));
        const std::vector<QuestionRecord> stored = bank.store().questions();
        QCOMPARE(stored.size(), std::size_t(7));
        const QuestionRecord& q = stored[1];
        QCOMPARE(q.number, u"100"_s);
        QCOMPARE(q.type, u"选择题"_s);
        QCOMPARE(q.path, (KnowledgePath{u"数与代数"_s, u"整式"_s, u"幂的运算"_s}));
        QCOMPARE(q.difficulty, u"C"_s);
        QCOMPARE(q.entranceExam, QString()); // not given: for the teacher to fill in
        QCOMPARE(q.enteredBy, u"zhang"_s);
        QVERIFY(!q.enteredAt.isEmpty());
        QVERIFY(textOf(q.content).startsWith(u"下列运算正确的是"_s));
        QCOMPARE(textOf(q.answer), u"【答案】C\n【解析】本题考查幂的运算．(a²)³＝a⁶，故选C．"_s);
        QCOMPARE(stored[6].number, u"105"_s);
        // The formula of question 5 is a formula picture of the program.
        QVERIFY(stored[5].content.contains("\\pict"));
    }

    void refusesWhatItCannotRead()
    {
        TestBank bank;
        const QString notes = write(u"notes.docx"_s, "plain text, not a document");
        Run r = runAdmin({u"import"_s, notes, bank.bankPath()});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(u"tiku-admin import: "_s), qPrintable(r.err));
        QVERIFY(r.err.contains(u"notes.docx"_s));
        QVERIFY(r.err.trimmed().endsWith(u"nothing was changed"_s));

        const QString paper = write(u"p.docx"_s, docxgen::wpsPaper());
        r = runAdmin({u"import"_s, paper, notes});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(u"is not a bank file"_s));

        r = runAdmin({u"import"_s, paper, bank.bankPath(), u"--knowledge"_s, u"a/b/c/d"_s});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(runAdmin({u"import"_s, paper}).exitCode, 2);
        QCOMPARE(runAdmin({u"import"_s, paper, bank.bankPath(), u"--colour"_s}).exitCode, 2);
        QCOMPARE(bank.store().questionCount(), 0);
    }
};

QTEST_MAIN(ImportToolTest)
#include "ImportToolTest.moc"

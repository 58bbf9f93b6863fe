// tiku-admin export: the classification documents from the command line.
#include "classify/SmallClassification.h"
#include "rtf/RtfReader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList& args)
{
    QProcess p;
    p.start(QString::fromUtf8(TIKU_ADMIN), QStringList{u"export"_s} + args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString textOf(const QString& path)
{
    QTextDocument doc;
    RtfReader::read(readFile(path), &doc);
    return doc.toPlainText();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class ExportToolTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void knowledgePointsAndQuestionTypes();
    void anEmptyBankGivesTheTitlesAlone();
    void anExistingFileIsReplacedOnlyWithForce();
    void errors_data();
    void errors();

private:
    std::unique_ptr<TestBank> bank_;
    QTemporaryDir dir_;
};

void ExportToolTest::init()
{
    bank_ = std::make_unique<TestBank>();
}

void ExportToolTest::knowledgePointsAndQuestionTypes()
{
    small::addKnowledgePaths(*bank_);
    small::addQuestionTypes(*bank_);
    const QString kp = dir_.filePath(u"知识点分类.rtf"_s);
    Run r = runTool({bank_->bankPath(), u"--knowledge-points"_s, kp});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(QString::fromUtf8(r.out).contains(u"4 level-1, 4 level-2 and 5 level-3"_s), r.out.constData());
    QVERIFY(readFile(kp).startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QCOMPARE(textOf(kp), small::knowledgePointText());

    // Options may come first; the name is taken as it is, without an extension.
    const QString tx = dir_.filePath(u"题型"_s);
    r = runTool({u"--question-types"_s, bank_->bankPath(), tx});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(QString::fromUtf8(r.out).contains(u"5 question types"_s), r.out.constData());
    QCOMPARE(textOf(tx), small::questionTypeText());
}

void ExportToolTest::anEmptyBankGivesTheTitlesAlone()
{
    const QString kp = dir_.filePath(u"empty-kp.rtf"_s);
    const QString tx = dir_.filePath(u"empty-tx.rtf"_s);
    QCOMPARE(runTool({bank_->bankPath(), u"--knowledge-points"_s, kp}).exitCode, 0);
    QCOMPARE(runTool({bank_->bankPath(), u"--question-types"_s, tx}).exitCode, 0);
    QCOMPARE(textOf(kp), small::emptyKnowledgePointText());
    QCOMPARE(textOf(tx), small::emptyQuestionTypeText());
}

void ExportToolTest::anExistingFileIsReplacedOnlyWithForce()
{
    small::addQuestionTypes(*bank_);
    const QString path = dir_.filePath(u"已有.rtf"_s);
    writeFile(path, "a teacher's document");
    Run r = runTool({bank_->bankPath(), u"--question-types"_s, path});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(u"--force"_s), r.err.constData());
    QCOMPARE(readFile(path), QByteArray("a teacher's document"));

    r = runTool({bank_->bankPath(), u"--question-types"_s, path, u"--force"_s});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(textOf(path), small::questionTypeText());
}

void ExportToolTest::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("mentions");
    const QString missing = dir_.filePath(u"没有的题库.mdb"_s);
    const QString notABank = dir_.filePath(u"不是题库.mdb"_s);
    writeFile(notABank, "just some text, not a database");
    const QString out = dir_.filePath(u"out.rtf"_s);
    QTest::newRow("no arguments") << QStringList{} << 2 << u"usage"_s;
    QTest::newRow("no classification") << QStringList{u"@bank"_s, out} << 2 << u"usage"_s;
    QTest::newRow("both classifications")
        << QStringList{u"@bank"_s, u"--knowledge-points"_s, u"--question-types"_s, out} << 2 << u"usage"_s;
    QTest::newRow("no output") << QStringList{u"@bank"_s, u"--question-types"_s} << 2 << u"usage"_s;
    QTest::newRow("unknown option") << QStringList{u"@bank"_s, u"--question-types"_s, out, u"--html"_s} << 2
                                    << u"usage"_s;
    QTest::newRow("missing bank") << QStringList{missing, u"--question-types"_s, out} << 1 << missing;
    QTest::newRow("not a bank") << QStringList{notABank, u"--knowledge-points"_s, out} << 1
                                << u"is not a bank file"_s;
    QTest::newRow("output is a folder")
        << QStringList{u"@bank"_s, u"--question-types"_s, dir_.path(), u"--force"_s} << 1 << dir_.path();
    QTest::newRow("output folder missing")
        << QStringList{u"@bank"_s, u"--question-types"_s, dir_.filePath(u"no/such/folder.rtf"_s)} << 1
        << dir_.filePath(u"no/such/folder.rtf"_s);
}

void ExportToolTest::errors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, mentions);
    args.replaceInStrings(u"@bank"_s, bank_->bankPath());
    const Run r = runTool(args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QByteArray());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.contains(mentions), qPrintable(err));
    QVERIFY(!QFile::exists(dir_.filePath(u"out.rtf"_s)));
}

QTEST_MAIN(ExportToolTest)
#include "ExportToolTest.moc"

#include "common/TestBank.h"
#include "rtf/RtfReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

const QByteArray kHeader =
    "题型\t知识点一\t知识点二\t知识点三\t难度\t是否中考题\t录入人\t录入时间\t题目编号\n";

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runCompose(const QStringList& args)
{
    QProcess p;
    p.start(QString::fromUtf8(TIKU_ADMIN), QStringList{u"compose"_s} + args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString textOf(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText();
}

} // namespace

class ComposeToolTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void sameSeedGivesTheSameBytes();
    void badCriteriaFileNamesTheLineAndWritesNothing();
    void exhaustedQuestionStopsWithAMessage();

private:
    std::unique_ptr<TestBank> bank;
    std::unique_ptr<QTemporaryDir> out;
    QString writeCriteria(const QByteArray& bytes)
    {
        const QString path = out->filePath(u"criteria.txt"_s);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
};

void ComposeToolTest::init()
{
    bank.reset(); // the old bank gives the program directory back first
    bank = std::make_unique<TestBank>();
    out = std::make_unique<QTemporaryDir>();
    for (int n = 1; n <= 8; ++n) {
        const QByteArray digit = QByteArray::number(n);
        bank->addQuestion({.number = QString::number(n),
                           .type = n <= 4 ? u"填空题"_s : u"选择题"_s,
                           .content = "{\\rtf1\\ansi\\ansicpg936 question " + digit + "\\par}",
                           .answer = "{\\rtf1\\ansi\\ansicpg936 answer " + digit + "\\par}"});
    }
}

void ComposeToolTest::sameSeedGivesTheSameBytes()
{
    const QString criteria =
        writeCriteria(kHeader + "填空题\t\t\t\t\t\t\t\t\n填空题\t\t\t\t\t\t\t\t\n\t\t\t\t\t\t\t\t\n");
    const QStringList common{bank->bankPath(), u"--criteria"_s, criteria, u"--sets"_s, u"2"_s, u"--seed"_s};
    const Run first = runCompose(common + QStringList{u"7"_s, u"--out"_s, out->filePath(u"a-"_s)});
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    const Run second = runCompose(common + QStringList{u"7"_s, u"--out"_s, out->filePath(u"b-"_s)});
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out, first.out);

    const QByteArray paper = readFile(out->filePath(u"a-题目.rtf"_s));
    const QByteArray answers = readFile(out->filePath(u"a-答案.rtf"_s));
    QVERIFY(paper.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QCOMPARE(readFile(out->filePath(u"b-题目.rtf"_s)), paper);
    QCOMPARE(readFile(out->filePath(u"b-答案.rtf"_s)), answers);

    // Two lines of numbers; the first two questions of a set are different fill-ins.
    const QStringList lines = first.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QString expectedPaper;
    QString expectedAnswers;
    for (int k = 1; k <= 2; ++k) {
        const QStringList cells = lines.at(k - 1).split(u'\t');
        QCOMPARE(cells.size(), 4);
        QCOMPARE(cells.at(0), u"set %1:"_s.arg(k));
        QVERIFY(cells.at(1).toInt() <= 4 && cells.at(2).toInt() <= 4 && cells.at(1) != cells.at(2));
        QVERIFY(cells.at(3) != cells.at(1) && cells.at(3) != cells.at(2));
        expectedPaper += u"第（%1）套试卷的题目\n\n\n\n"_s.arg(k);
        expectedAnswers += u"第（%1）套试卷的答案\n\n\n\n"_s.arg(k);
        for (int i = 1; i <= 3; ++i) {
            expectedPaper += u"（%1）\nquestion %2\n\n\n"_s.arg(i).arg(cells.at(i));
            expectedAnswers += u"第（%1）题的答案\nanswer %2\n\n\n"_s.arg(i).arg(cells.at(i));
        }
    }
    QCOMPARE(textOf(paper), expectedPaper);
    QCOMPARE(textOf(answers), expectedAnswers);
}

void ComposeToolTest::badCriteriaFileNamesTheLineAndWritesNothing()
{
    const struct
    {
        QByteArray file;
        QString message;
    } cases[] = {
        {kHeader + "填空题\t\t\t\t\t\t\t\t\n填空题\t\t\n", u"line 3: 3 columns where 9 are expected"_s},
        {QByteArray(kHeader).replace("录入人", "作者") + "\t\t\t\t\t\t\t\t\n",
         u"line 1: unknown field \"作者\""_s},
        {kHeader + "\t\t\t\t\t\t\t\t\n\xCC\xEE\xBF\xD5\t\t\t\t\t\t\t\t\n", u"line 3: not UTF-8 text"_s},
    };
    for (const auto& c : cases) {
        const QString criteria = writeCriteria(c.file);
        const Run r = runCompose({bank->bankPath(), u"--criteria"_s, criteria, u"--sets"_s, u"1"_s,
                                  u"--seed"_s, u"1"_s, u"--out"_s, out->filePath(u"bad-"_s)});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(c.message), qPrintable(r.err));
        QVERIFY(r.err.contains(criteria));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(QDir(out->path()).entryList({u"bad-*"_s}, QDir::Files), QStringList());
    }
}

void ComposeToolTest::exhaustedQuestionStopsWithAMessage()
{
    // Five fill-in questions asked of four candidates.
    QByteArray file = kHeader;
    for (int i = 0; i < 5; ++i)
        file += "填空题\t\t\t\t\t\t\t\t\n";
    const Run r = runCompose({bank->bankPath(), u"--criteria"_s, writeCriteria(file), u"--sets"_s, u"1"_s,
                              u"--seed"_s, u"3"_s, u"--out"_s, out->filePath(u"x-"_s)});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(u"第（5）题符合条件的4道题都已用在本套试卷中"_s), qPrintable(r.err));
    QCOMPARE(r.out.split(u'\t').size(), 5); // "set 1:" and the four numbers drawn
    QCOMPARE(QDir(out->path()).entryList({u"x-*"_s}, QDir::Files), QStringList());
}

QTEST_MAIN(ComposeToolTest)
#include "ComposeToolTest.moc"

// The generator of benchmark banks: reproducible to the byte, shaped as asked,
// and with bodies that read back to the text that was generated.
#include "bankgen/BankGenerator.h"
#include "bankgen/SyntheticBodies.h"

#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/Password.h"
#include "rtf/RtfReader.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QtTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kQuestions = 300;
constexpr int kPaths = 40;
constexpr std::uint64_t kSeed = 7;

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

int imagesIn(const QTextDocument& doc)
{
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().isImageFormat() &&
                !doc.resource(QTextDocument::ImageResource, QUrl(f.charFormat().toImageFormat().name())).isNull())
                n += int(f.length());
        }
    }
    return n;
}

std::vector<QVariantList> tableRows(const QString& bank, const QString& table)
{
    BankStore store = BankStore::openExternalBank(bank);
    return store.readAll(TableQuery{table, {}, {}});
}

} // namespace

class BankGeneratorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameSeedGivesTheSameFile();
    void bankHasTheShapeAsked();
    void questionsSpreadOverTheirFields();
    void bodiesReadBackToTheGeneratedText();
    void bodySizesAndPictures();
    void knowledgePathsStayDistinct();
    void adminPasswordVerifies();
    void markupMakesFormattedRuns();
    void toolRefusesExistingFilesAndBadArguments();

private:
    QTemporaryDir dir_;
    QString bank_;
};

void BankGeneratorTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    bank_ = dir_.filePath(u"a.mdb"_s);
    bankgen::generateBank(bank_, {kQuestions, kPaths, kSeed});
}

void BankGeneratorTest::sameSeedGivesTheSameFile()
{
    const QString again = dir_.filePath(u"again.mdb"_s);
    const QString other = dir_.filePath(u"other.mdb"_s);
    bankgen::generateBank(again, {kQuestions, kPaths, kSeed});
    bankgen::generateBank(other, {kQuestions, kPaths, kSeed + 1});
    const QByteArray a = fileBytes(bank_);
    QVERIFY(a.size() > 0);
    QVERIFY2(a == fileBytes(again), "the same seed gave different files");
    QVERIFY(a != fileBytes(other));
    // The rollback journal is gone once generation has finished.
    QVERIFY(!QFile::exists(bank_ + u"-journal"_s));
}

void BankGeneratorTest::bankHasTheShapeAsked()
{
    QString why;
    QVERIFY2(isBankFile(bank_, &why), qPrintable(why));

    const auto questions = tableRows(bank_, u"数学题库"_s);
    QCOMPARE(int(questions.size()), kQuestions);
    for (int i = 0; i < kQuestions; ++i)
        QCOMPARE(questions[std::size_t(i)].at(0).toString(), QString::number(i + 1));

    const auto paths = tableRows(bank_, u"知识点表"_s);
    QCOMPARE(int(paths.size()), kPaths);
    QSet<QString> distinct;
    for (const QVariantList& row : paths)
        distinct.insert(row.at(1).toString() + u'/' + row.at(2).toString() + u'/' + row.at(3).toString());
    QCOMPARE(int(distinct.size()), kPaths);

    const auto types = tableRows(bank_, u"题型表"_s);
    QStringList typeNames;
    for (const QVariantList& row : types)
        typeNames << row.at(1).toString();
    QCOMPARE(typeNames, bankgen::questionTypes());

    // Every question's path and type are ones the bank offers.
    for (const QVariantList& q : questions) {
        QVERIFY(typeNames.contains(q.at(1).toString()));
        QVERIFY2(distinct.contains(q.at(2).toString() + u'/' + q.at(3).toString() + u'/' + q.at(4).toString()),
                 qPrintable(q.at(0).toString()));
    }
}

void BankGeneratorTest::questionsSpreadOverTheirFields()
{
    QSet<QString> difficulties, exam, authors, types;
    for (const QVariantList& q : tableRows(bank_, u"数学题库"_s)) {
        types.insert(q.at(1).toString());
        difficulties.insert(q.at(5).toString());
        exam.insert(q.at(8).toString());
        authors.insert(q.at(9).toString());
        const QDate entered = QDate::fromString(q.at(10).toString(), u"yyyy-MM-dd"_s);
        QVERIFY2(entered.isValid() && entered.year() >= 2019 && entered.year() <= 2026, qPrintable(q.at(10).toString()));
        for (int column = 0; column < 11; ++column)
            QVERIFY(!q.at(column).toString().isEmpty());
    }
    QCOMPARE(difficulties, (QSet<QString>{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}));
    QCOMPARE(exam, (QSet<QString>{u"是"_s, u"否"_s}));
    QVERIFY(authors.size() >= 20);
    QVERIFY(types.size() >= 8);
}

void BankGeneratorTest::bodiesReadBackToTheGeneratedText()
{
    const auto questions = tableRows(bank_, u"数学题库"_s);
    for (int i = 0; i < kQuestions; ++i) {
        const bankgen::GeneratedQuestion g = bankgen::generateQuestion(kSeed, i, kPaths);
        const QVariantList& row = questions[std::size_t(i)];
        QCOMPARE(row.at(6).toString().toLatin1(), g.content.rtf);
        QCOMPARE(row.at(7).toString().toLatin1(), g.answer.rtf);
        for (const bankgen::GeneratedBody* body : {&g.content, &g.answer}) {
            QTextDocument doc;
            RtfReader::read(body->rtf, &doc);
            QCOMPARE(doc.toPlainText(), body->text);
            QCOMPARE(imagesIn(doc), body->pictures);
        }
    }
}

void BankGeneratorTest::bodySizesAndPictures()
{
    int typical = 0;
    int withPicture = 0;
    qsizetype largest = 0;
    for (int i = 0; i < kQuestions; ++i) {
        const bankgen::GeneratedQuestion g = bankgen::generateQuestion(kSeed, i, kPaths);
        for (const bankgen::GeneratedBody* body : {&g.content, &g.answer}) {
            const qsizetype size = body->rtf.size();
            if (size >= 500 && size <= 5 * 1024)
                ++typical;
            largest = std::max(largest, size);
            if (body->pictures > 0)
                ++withPicture;
            QVERIFY(body->rtf.startsWith("{\\rtf1"));
            QVERIFY(body->rtf.contains("\\ansicpg936"));
        }
    }
    const int bodies = 2 * kQuestions;
    QVERIFY2(typical >= bodies * 7 / 10, qPrintable(u"%1 of %2 bodies are 0.5 to 5 KB"_s.arg(typical).arg(bodies)));
    QVERIFY2(largest <= 150 * 1024, qPrintable(u"largest body %1 bytes"_s.arg(largest)));
    QVERIFY2(withPicture >= bodies / 20 && withPicture <= bodies / 5,
             qPrintable(u"%1 of %2 bodies have a picture"_s.arg(withPicture).arg(bodies)));
}

void BankGeneratorTest::knowledgePathsStayDistinct()
{
    QSet<QString> seen;
    const int many = 5000;
    for (int i = 0; i < many; ++i) {
        const KnowledgePath p = bankgen::knowledgePath(i);
        QVERIFY(!p.level1.isEmpty() && !p.level2.isEmpty() && !p.level3.isEmpty());
        seen.insert(p.level1 + u'/' + p.level2 + u'/' + p.level3);
    }
    QCOMPARE(int(seen.size()), many);
    QCOMPARE(bankgen::knowledgePath(0).level1, u"数与代数"_s);
}

void BankGeneratorTest::adminPasswordVerifies()
{
    const auto users = tableRows(bank_, u"登录表"_s);
    QCOMPARE(int(users.size()), 1);
    QCOMPARE(users[0].at(0).toString(), u"admin"_s);
    QCOMPARE(users[0].at(2).toString(), u"超级管理"_s);
    const QString hash = users[0].at(1).toString();
    QVERIFY(verifyPassword(hash, u"admin123"_s));
    QVERIFY(!verifyPassword(hash, u"admin124"_s));
    // The salt follows the seed.
    QCOMPARE(bankgen::seededPasswordHash(u"admin123"_s, kSeed), hash);
    QVERIFY(bankgen::seededPasswordHash(u"admin123"_s, kSeed + 1) != hash);
}

void BankGeneratorTest::markupMakesFormattedRuns()
{
    QCOMPARE(bankgen::expand(u"（%n）%1+%2=%3，%1%"_s, {2, 3, 5}, 4), u"（4）2+3=5，2%"_s);

    bankgen::SyntheticBodyBuilder b;
    b.add(u"*{解}：x^{2}+a_{1}=sin30°\n!{答}"_s);
    const bankgen::GeneratedBody body = b.finish();
    QCOMPARE(body.text, u"解：x2+a1=sin30°\n答"_s);
    QTextDocument doc;
    RtfReader::read(body.rtf, &doc);
    QCOMPARE(doc.toPlainText(), body.text);

    // Collects the formatted characters of the first paragraph.
    QString bold, italic, super, sub;
    for (auto it = doc.begin().begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const QTextCharFormat c = f.charFormat();
        if (c.fontWeight() >= QFont::Bold)
            bold += f.text();
        if (c.fontItalic())
            italic += f.text();
        if (c.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            super += f.text();
        if (c.verticalAlignment() == QTextCharFormat::AlignSubScript)
            sub += f.text();
    }
    QCOMPARE(bold, u"解"_s);
    QCOMPARE(italic, u"xa"_s); // lone letters are variables; "sin" is not
    QCOMPARE(super, u"2"_s);
    QCOMPARE(sub, u"1"_s);
    const QTextCharFormat answerMark = doc.lastBlock().begin().fragment().charFormat();
    QCOMPARE(answerMark.foreground().color(), QColor(0xC0, 0, 0));
}

void BankGeneratorTest::toolRefusesExistingFilesAndBadArguments()
{
    const auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(TIKU_ADMIN), args);
        if (!p.waitForFinished(120000))
            qFatal("tiku-admin did not finish");
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    };
    const QString made = dir_.filePath(u"tool.mdb"_s);
    auto [code, err] = run({u"generate"_s, made, u"--questions"_s, u"25"_s, u"--paths"_s, u"12"_s, u"--seed"_s, u"3"_s});
    QCOMPARE(code, 0);
    QVERIFY(isBankFile(made));
    QCOMPARE(int(tableRows(made, u"数学题库"_s).size()), 25);
    QCOMPARE(int(tableRows(made, u"知识点表"_s).size()), 12);

    const QByteArray before = fileBytes(made);
    std::tie(code, err) = run({u"generate"_s, made, u"--questions"_s, u"5"_s});
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(u"已经存在"_s), qPrintable(err));
    QCOMPARE(fileBytes(made), before);

    const QString unused = dir_.filePath(u"unused.mdb"_s);
    for (const QStringList& bad : {QStringList{u"generate"_s}, QStringList{u"generate"_s, unused, u"--questions"_s},
                                   QStringList{u"generate"_s, unused, u"--paths"_s, u"0"_s},
                                   QStringList{u"generate"_s, unused, u"--seed"_s, u"x"_s},
                                   QStringList{u"generate"_s, unused, u"--colour"_s, u"red"_s}}) {
        std::tie(code, err) = run(bad);
        QCOMPARE(code, 2);
        QVERIFY(!err.isEmpty());
        QVERIFY(!QFile::exists(unused));
    }
}

QTEST_MAIN(BankGeneratorTest)
#include "BankGeneratorTest.moc"

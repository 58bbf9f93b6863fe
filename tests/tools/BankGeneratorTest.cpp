// The generator of benchmark banks: reproducible to the byte, shaped as asked,
// and with bodies that read back to the text that was generated.
#include "bankgen/BankGenerator.h"
#include "bankgen/SyntheticBodies.h"

#include "rtf/RtfReader.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/Password.h"

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
                !doc.resource(QTextDocument::ImageResource, QUrl(f.charFormat().toImageFormat().name()))
                     .isNull())
                n += int(f.length());
        }
    }
    return n;
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

    BankStore store = BankStore::openExternalBank(bank_);
    const std::vector<QuestionRecord> questions = store.questions();
    QCOMPARE(int(questions.size()), kQuestions);
    for (int i = 0; i < kQuestions; ++i) {
        QCOMPARE(questions[std::size_t(i)].number, QString::number(i + 1));
        QCOMPARE(questions[std::size_t(i)], bankgen::generateQuestion(kSeed, i, kPaths).record);
    }

    const std::vector<KnowledgePath> paths = store.knowledgePaths();
    QCOMPARE(int(paths.size()), kPaths);
    QSet<QString> distinct;
    for (const KnowledgePath& p : paths)
        distinct.insert(p.level1 + u'/' + p.level2 + u'/' + p.level3);
    QCOMPARE(int(distinct.size()), kPaths);

    QStringList typeNames;
    for (const QuestionType& t : store.questionTypes())
        typeNames << t.name;
    QCOMPARE(typeNames, bankgen::questionTypes());

    // Every question's path and type are ones the bank offers.
    for (const QuestionRecord& q : questions) {
        QVERIFY(typeNames.contains(q.type));
        QVERIFY2(distinct.contains(q.path.level1 + u'/' + q.path.level2 + u'/' + q.path.level3),
                 qPrintable(q.number));
    }
}

void BankGeneratorTest::questionsSpreadOverTheirFields()
{
    QSet<QString> difficulties, exam, authors, types;
    for (const QuestionRecord& q : BankStore::openExternalBank(bank_).questions()) {
        types.insert(q.type);
        difficulties.insert(q.difficulty);
        exam.insert(q.entranceExam);
        authors.insert(q.enteredBy);
        const QDate entered = QDate::fromString(q.enteredAt, u"yyyy-MM-dd"_s);
        QVERIFY2(entered.isValid() && entered.year() >= 2019 && entered.year() <= 2026,
                 qPrintable(q.enteredAt));
        for (const auto& [column, value] : q.fields())
            QVERIFY2(!value.toString().isEmpty(), qPrintable(column));
    }
    QCOMPARE(difficulties, (QSet<QString>{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}));
    QCOMPARE(exam, (QSet<QString>{u"是"_s, u"否"_s}));
    QVERIFY(authors.size() >= 20);
    QVERIFY(types.size() >= 8);
}

void BankGeneratorTest::bodiesReadBackToTheGeneratedText()
{
    for (int i = 0; i < kQuestions; ++i) {
        const bankgen::GeneratedQuestion g = bankgen::generateQuestion(kSeed, i, kPaths);
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
    QVERIFY2(typical >= bodies * 7 / 10,
             qPrintable(u"%1 of %2 bodies are 0.5 to 5 KB"_s.arg(typical).arg(bodies)));
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
    const std::vector<UserRecord> users = BankStore::openExternalBank(bank_).users();
    QCOMPARE(int(users.size()), 1);
    QCOMPARE(users[0].name, u"admin"_s);
    QCOMPARE(users[0].role, u"超级管理"_s);
    const QString hash = users[0].passwordHash;
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
        p.start(QString::fromUtf8(TIKU_ADMIN), args);
        if (!p.waitForFinished(120000))
            qFatal("tiku-admin did not finish");
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    };
    const QString made = dir_.filePath(u"tool.mdb"_s);
    auto [code, err] =
        run({u"generate"_s, made, u"--questions"_s, u"25"_s, u"--paths"_s, u"12"_s, u"--seed"_s, u"3"_s});
    QCOMPARE(code, 0);
    QVERIFY(isBankFile(made));
    BankStore store = BankStore::openExternalBank(made);
    QCOMPARE(store.questionCount(), 25);
    QCOMPARE(int(store.knowledgePaths().size()), 12);

    const QByteArray before = fileBytes(made);
    std::tie(code, err) = run({u"generate"_s, made, u"--questions"_s, u"5"_s});
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(u"已经存在"_s), qPrintable(err));
    QCOMPARE(fileBytes(made), before);

    const QString unused = dir_.filePath(u"unused.mdb"_s);
    for (const QStringList& bad :
         {QStringList{u"generate"_s}, QStringList{u"generate"_s, unused, u"--questions"_s},
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

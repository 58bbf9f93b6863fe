// tiku-admin init: the default bank it writes, and that it never overwrites.
#include "rtf/RtfReader.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/Password.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString err;
};

Run runAdmin(const QStringList& args)
{
    QProcess p;
    p.start(QString::fromUtf8(TIKU_ADMIN_PATH), args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray fingerprint(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// The plain text of a stored body, and whether any of it is set as superscript.
QString bodyText(const QString& rtf, bool* superscript)
{
    QTextDocument doc;
    RtfReader::read(rtf.toLatin1(), &doc);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().verticalAlignment() == QTextCharFormat::AlignSuperScript)
                *superscript = true;
        }
    }
    return doc.toPlainText();
}

QStringList typeNames(BankStore& store)
{
    QStringList names;
    for (const QuestionType& t : store.questionTypes())
        names << t.name;
    return names;
}

} // namespace

class AdminInitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writesAValidBank();
    void usersAndTypes();
    void classificationIsThreeLevelsDeep();
    void sampleQuestionsFitTheClassification();
    void refusesToOverwrite();
    void versionIsTheProjects();

private:
    QTemporaryDir dir_;
    QString bank_;
};

void AdminInitTest::initTestCase()
{
    // The folder DATA does not exist yet: the tool makes it.
    bank_ = dir_.filePath(u"程序/DATA/TiKu.mdb"_s);
    const Run r = runAdmin({u"init"_s, bank_});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
}

void AdminInitTest::writesAValidBank()
{
    QString why;
    QVERIFY2(isBankFile(bank_, &why), qPrintable(why));
    // Rollback journal: between writes the bank is one file.
    QCOMPARE(QDir(QFileInfo(bank_).path()).entryList(QDir::Files), QStringList{u"TiKu.mdb"_s});
}

void AdminInitTest::usersAndTypes()
{
    BankStore store = BankStore::openExternalBank(bank_);
    const std::vector<UserRecord> users = store.users();
    QCOMPARE(users.size(), size_t(1));
    QCOMPARE(users[0].name, u"admin"_s);
    QCOMPARE(users[0].role, u"超级管理"_s);
    QVERIFY(verifyPassword(users[0].passwordHash, u"admin123"_s));
    QVERIFY(!verifyPassword(users[0].passwordHash, u"admin"_s));

    const QStringList types = typeNames(store);
    QVERIFY(types.size() >= 10);
    QCOMPARE(types.mid(0, 3), (QStringList{u"选择题"_s, u"填空题"_s, u"判断题"_s}));
    for (const QString& t : {u"计算题"_s, u"解答题"_s, u"应用题"_s, u"证明题"_s, u"作图题"_s})
        QVERIFY2(types.contains(t), qPrintable(t));
    QCOMPARE(QSet<QString>(types.begin(), types.end()).size(), types.size());
}

void AdminInitTest::classificationIsThreeLevelsDeep()
{
    BankStore store = BankStore::openExternalBank(bank_);
    const std::vector<KnowledgePath> rows = store.knowledgePaths();
    QVERIFY2(rows.size() >= 100, qPrintable(QString::number(rows.size())));
    QSet<QString> paths;
    QHash<QString, QString> parentOfLevel2;
    for (const auto& [l1, l2, l3] : rows) {
        QVERIFY(!l1.isEmpty() && !l2.isEmpty() && !l3.isEmpty());
        QVERIFY2(!(l1 + l2 + l3).contains(u'/'), qPrintable(l3));
        const QString path = l1 + u" / "_s + l2 + u" / "_s + l3;
        QVERIFY2(!paths.contains(path), qPrintable(path));
        paths.insert(path);
        // The tree picker finds level-3 names by the level-2 name alone, so a
        // level-2 name must belong to one level-1 name.
        QVERIFY2(parentOfLevel2.value(l2, l1) == l1, qPrintable(l2));
        parentOfLevel2.insert(l2, l1);
    }
    const QStringList level1 = store.distinctValues({u"知识点表"_s}, u"第一知识点"_s);
    QCOMPARE(level1.mid(0, 3), (QStringList{u"数与代数"_s, u"图形与几何"_s, u"统计与概率"_s}));
    QVERIFY(paths.contains(u"图形与几何 / 全等三角形 / 三角形全等的判定"_s));
    QVERIFY(store.distinctValues({u"知识点表"_s}, u"第二知识点"_s).size() >= 20);
}

void AdminInitTest::sampleQuestionsFitTheClassification()
{
    BankStore store = BankStore::openExternalBank(bank_);
    Recordset r = store.openTable(u"数学题库"_s);
    QVERIFY(r.recordCount() >= 15);
    const QStringList types = typeNames(store);
    QSet<QString> difficulties, flags, usedTypes;
    QStringList contents;
    bool superscripts = false;
    int expectedNumber = 0;
    for (r.moveFirst(); !r.eof(); r.moveNext()) {
        const QString number = r.text(0);
        QCOMPARE(number, QString::number(++expectedNumber));
        QVERIFY2(types.contains(r.text(1)), qPrintable(number));
        usedTypes.insert(r.text(1));
        QVERIFY2(store.count({u"知识点表"_s,
                              {Condition::equal(u"第一知识点"_s, r.text(2)),
                               Condition::equal(u"第二知识点"_s, r.text(3)),
                               Condition::equal(u"第三知识点"_s, r.text(4))}}) == 1,
                 qPrintable(number));
        difficulties.insert(r.text(u"难度"_s));
        flags.insert(r.text(u"是否中考题"_s));
        // The bodies are RTF documents whose text carries no markup any more.
        for (const QString& column : {u"内容"_s, u"答案"_s}) {
            QVERIFY(r.text(column).startsWith(u"{\\rtf1"_s));
            const QString text = bodyText(r.text(column), &superscripts);
            QVERIFY2(text.size() > 1, qPrintable(number));
            QVERIFY2(!text.contains(u"^{"_s) && !text.contains(u"*{"_s), qPrintable(text));
            contents << text;
        }
        for (int i = 0; i < 11; ++i)
            QVERIFY2(!r.text(i).isEmpty(), qPrintable(number));
    }
    QCOMPARE(difficulties, (QSet<QString>{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}));
    QCOMPARE(flags, (QSet<QString>{u"是"_s, u"否"_s}));
    QVERIFY(usedTypes.size() >= 8);
    QVERIFY(superscripts);
    QVERIFY(contents.join(u'\n').contains(u"的绝对值是"_s));
    QCOMPARE(nextQuestionNumber(store), QString::number(expectedNumber + 1));
}

void AdminInitTest::refusesToOverwrite()
{
    const QByteArray before = fingerprint(bank_);
    const Run again = runAdmin({u"init"_s, bank_});
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.err.contains(u"exists"_s), qPrintable(again.err));
    QCOMPARE(fingerprint(bank_), before);

    // Any existing file is left alone, not only banks.
    const QString other = dir_.filePath(u"notes.txt"_s);
    QFile f(other);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep");
    f.close();
    QCOMPARE(runAdmin({u"init"_s, other}).exitCode, 1);
    QCOMPARE(fingerprint(other), QCryptographicHash::hash("keep", QCryptographicHash::Sha256));

    QCOMPARE(runAdmin({u"init"_s}).exitCode, 2);
}

// The package's version, which tiku --version and the about window show too.
void AdminInitTest::versionIsTheProjects()
{
    QProcess p;
    p.start(QString::fromUtf8(TIKU_ADMIN_PATH), {u"--version"_s});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
             u"tiku-admin %1\n"_s.arg(QString::fromLatin1(TIKU_PROJECT_VERSION)));
    QCOMPARE(p.readAllStandardError(), QByteArray());
}

QTEST_MAIN(AdminInitTest)
#include "AdminInitTest.moc"

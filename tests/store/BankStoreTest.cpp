// The bank store: keyset results, stored order, bound values, the small
// queries, and the next question number.
#include "store/BankStore.h"
#include "common/TestBank.h"
#include "store/BankConnection.h"
#include "store/NameOrder.h"

#include <algorithm>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kQuestions = u"数学题库"_s;

QStringList numbersOf(Recordset& r)
{
    QStringList numbers;
    for (r.moveFirst(); !r.eof(); r.moveNext())
        numbers << r.text(u"题目编号"_s);
    return numbers;
}

} // namespace

class BankStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void cursorMovesAndEnds();
    void emptyResultIsBothBofAndEof();
    void moveFromFirstIsDirect();
    void fieldsByNameAndPosition();
    void rowChangedOrDeletedThroughAnotherConnection();
    void deletedRowIdentityIsNeverGivenAgain();
    void namesListInTeachersOrder();
    void chineseNumeralsSortAsNumbers();
    void updateAndDeleteCurrentRow();
    void storedOrderIsAppendOrder();
    void quotesAndSqlTextRoundTrip_data();
    void quotesAndSqlTextRoundTrip();
    void conditionsCountDistinctAndDelete();
    void textComparesLatinLettersWithoutCase();
    void usersByIdentity();
    void resultOutlivesItsStore();
    void nextQuestionNumberFollowsLastAppended();
    void nextQuestionNumberAddsNumerically_data();
    void nextQuestionNumberAddsNumerically();
    void displayTextQuotesValues();
    void failedCommitSaysWhyAndKeepsNothing();
};

void BankStoreTest::cursorMovesAndEnds()
{
    TestBank bank;
    for (int i = 0; i < 4; ++i)
        bank.addQuestion();
    BankStore store = bank.store();
    Recordset r = store.openTable(kQuestions);

    QCOMPARE(r.recordCount(), 4);
    QVERIFY(!r.bof());
    QVERIFY(!r.eof());
    QCOMPARE(r.position(), 0);
    QCOMPARE(r.text(0), u"1"_s);

    r.moveLast();
    QCOMPARE(r.text(0), u"4"_s);
    r.moveNext();
    QVERIFY(r.eof());
    QVERIFY(!r.bof());
    QCOMPARE(r.position(), 4);
    QVERIFY_THROWS_EXCEPTION(StoreError, r.field(0));
    r.moveNext(); // stays at EOF
    QVERIFY(r.eof());
    r.movePrevious(); // back on the last row, as the browsing windows rely on
    QCOMPARE(r.text(0), u"4"_s);

    r.moveFirst();
    r.movePrevious();
    QVERIFY(r.bof());
    QVERIFY(!r.eof());
    QCOMPARE(r.position(), -1);
    QCOMPARE(storeErrorOf([&] { r.field(u"题目编号"_s); }).number, StoreErrorNumber::NoCurrentRow);
    r.movePrevious(); // stays at BOF
    QVERIFY(r.bof());
    r.moveNext();
    QCOMPARE(r.text(0), u"1"_s);

    QCOMPARE(numbersOf(r), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));

    r.close();
    QVERIFY(!r.isOpen());
    QVERIFY(r.bof() && r.eof());
    QCOMPARE(r.recordCount(), 0);
}

void BankStoreTest::emptyResultIsBothBofAndEof()
{
    TestBank bank;
    bank.addQuestion({.type = u"填空题"_s});
    BankStore store = bank.store();
    Recordset r = store.open({kQuestions, u"题型 = ?"_s, {u"选择题"_s}});
    QCOMPARE(r.recordCount(), 0);
    QVERIFY(r.bof());
    QVERIFY(r.eof());
    r.moveFirst();
    r.moveLast();
    r.moveNext();
    r.moveFromFirst(3);
    QVERIFY(r.bof() && r.eof());
    QVERIFY(!r.isDeleted());
    QVERIFY_THROWS_EXCEPTION(StoreError, r.field(0));
    QVERIFY_THROWS_EXCEPTION(StoreError, r.update({{u"题型"_s, u"x"_s}}));
    QVERIFY_THROWS_EXCEPTION(StoreError, r.deleteCurrent());
}

void BankStoreTest::moveFromFirstIsDirect()
{
    TestBank bank;
    for (int i = 0; i < 6; ++i)
        bank.addQuestion();
    BankStore store = bank.store();
    Recordset r = store.openTable(kQuestions);

    r.moveFromFirst(0);
    QCOMPARE(r.text(0), u"1"_s);
    r.moveFromFirst(3);
    QCOMPARE(r.position(), 3);
    QCOMPARE(r.text(0), u"4"_s);
    r.moveFromFirst(5);
    QCOMPARE(r.text(0), u"6"_s);
    r.moveFromFirst(6);
    QVERIFY(r.eof());
    r.moveFromFirst(100);
    QVERIFY(r.eof());
    r.moveFromFirst(-1);
    QVERIFY(r.bof());
    r.moveFromFirst(2);
    r.moveNext();
    QCOMPARE(r.text(0), u"4"_s);
}

void BankStoreTest::fieldsByNameAndPosition()
{
    TestBank bank;
    const TestQuestion q{.number = u"7"_s,
                         .type = u"解答题"_s,
                         .knowledge1 = u"图形与几何"_s,
                         .knowledge2 = u"三角形"_s,
                         .knowledge3 = u"全等三角形的判定"_s,
                         .difficulty = u"C"_s,
                         .content = "{\\rtf1 c}",
                         .answer = "{\\rtf1 a}",
                         .entranceExam = u"是"_s,
                         .enteredBy = u"李老师"_s,
                         .enteredAt = u"2026年9月1日"_s};
    bank.addQuestion(q);
    bank.addKnowledgePath(u"数与代数"_s, u"整式"_s, u"单项式"_s);
    bank.addQuestionType(u"选择题"_s);

    BankStore store = bank.store();
    Recordset r = store.openTable(kQuestions);
    const FieldValues fields = q.fields();
    QCOMPARE(r.columnNames().size(), 11);
    for (int i = 0; i < 11; ++i) {
        QCOMPARE(r.columnNames().at(i), fields[size_t(i)].first);
        QCOMPARE(r.text(i), fields[size_t(i)].second.toString());
        QCOMPARE(r.text(fields[size_t(i)].first), fields[size_t(i)].second.toString());
    }
    const StoreError unknown = storeErrorOf([&] { r.field(u"不存在的列"_s); });
    QCOMPARE(unknown.number, StoreErrorNumber::NoSuchField);
    QVERIFY(unknown.text.contains(u"不存在的列"_s));
    QVERIFY_THROWS_EXCEPTION(StoreError, r.field(11));
    QVERIFY_THROWS_EXCEPTION(StoreError, r.field(-1));

    // The identifier comes first in the two classification tables.
    Recordset k = store.openTable(u"知识点表"_s);
    QCOMPARE(k.columnNames(), (QStringList{u"编号"_s, u"第一知识点"_s, u"第二知识点"_s, u"第三知识点"_s}));
    QCOMPARE(k.field(0).toInt(), 1);
    QCOMPARE(k.text(3), u"单项式"_s);
    Recordset t = store.openTable(u"题型表"_s);
    QCOMPARE(t.columnNames(), (QStringList{u"编号"_s, u"题型"_s}));
    QCOMPARE(t.text(1), u"选择题"_s);

    QVERIFY_THROWS_EXCEPTION(StoreError, store.openTable(u"没有这张表"_s));
}

void BankStoreTest::rowChangedOrDeletedThroughAnotherConnection()
{
    TestBank bank;
    for (int i = 0; i < 3; ++i)
        bank.addQuestion();
    BankStore kept = bank.store();
    Recordset r = kept.openTable(kQuestions);
    QCOMPARE(r.text(u"题型"_s), u"选择题"_s); // row 1 now cached

    {
        BankStore other = bank.store();
        QCOMPARE(other.updateWhere({kQuestions, u"题目编号 = ?"_s, {u"1"_s}}, {{u"题型"_s, u"填空题"_s}}), 1);
        QCOMPARE(other.deleteWhere({kQuestions, u"题目编号 = ?"_s, {u"2"_s}}), 1);
        other.append(kQuestions, TestQuestion{.number = u"4"_s}.fields());
    }

    // The keyset was taken at opening: the new row is not in it, the deleted
    // one still is, and every row is read anew once the position moves.
    QCOMPARE(r.recordCount(), 3);
    r.moveFirst();
    QCOMPARE(r.text(u"题型"_s), u"填空题"_s);
    QVERIFY(!r.isDeleted());
    r.moveNext();
    QVERIFY(r.isDeleted());
    QVERIFY(!r.eof());
    QCOMPARE(storeErrorOf([&] { r.field(0); }).number, StoreErrorNumber::NoCurrentRow);
    QVERIFY_THROWS_EXCEPTION(StoreError, r.update({{u"题型"_s, u"x"_s}}));
    QVERIFY_THROWS_EXCEPTION(StoreError, r.deleteCurrent());
    r.moveNext();
    QCOMPARE(r.text(0), u"3"_s);
    r.moveNext();
    QVERIFY(r.eof());

    // A new result sees the table as it is now.
    Recordset fresh = kept.openTable(kQuestions);
    QCOMPARE(numbersOf(fresh), (QStringList{u"1"_s, u"3"_s, u"4"_s}));
}

void BankStoreTest::deletedRowIdentityIsNeverGivenAgain()
{
    // A window keeps a result open while another action deletes the last
    // question and enters new ones: the kept position must read as deleted,
    // never as one of the new questions; also after the program restarts.
    TestBank bank;
    for (int i = 0; i < 3; ++i)
        bank.addQuestion();
    BankStore kept = bank.store();
    Recordset r = kept.openTable(kQuestions);
    r.moveLast();
    QCOMPARE(r.text(0), u"3"_s);
    const qint64 lastId = r.currentId();

    qint64 added = 0;
    {
        BankStore other = bank.store();
        QCOMPARE(other.deleteWhere({kQuestions, u"题目编号 = ?"_s, {u"3"_s}}), 1);
        added = other.appendQuestion(TestQuestion{.number = u"新题"_s}.record());
    }
    QVERIFY(added > lastId);
    r.moveFirst();
    r.moveLast();
    QVERIFY(r.isDeleted());
    QCOMPARE(storeErrorOf([&] { r.values(); }).number, StoreErrorNumber::NoCurrentRow);

    // Deleting through a kept result counts the same, and the record of it
    // lives in the file, not in the process.
    r.moveFirst();
    r.moveLast();
    Recordset again = kept.openTable(kQuestions);
    again.moveLast();
    QCOMPARE(again.currentId(), added);
    again.deleteCurrent();
    forgetCheckedBanks();
    BankStore reopened = bank.store();
    const qint64 next = reopened.appendQuestion(TestQuestion{.number = u"9"_s}.record());
    QVERIFY(next > added);
    QCOMPARE(reopened.question(added), std::nullopt);
    QCOMPARE(reopened.question(next)->number, u"9"_s);
}

void BankStoreTest::namesListInTeachersOrder()
{
    // Pinyin for Chinese characters, numbers as numbers, Latin letters
    // without case; the same order from every query that sorts names.
    TestBank bank;
    const QStringList scrambled{u"第10章"_s, u"一次函数"_s, u"第2章"_s, u"二次函数"_s,
                                u"Abc"_s,    u"abc"_s,      u"安全"_s,  u"第1章"_s};
    for (const QString& name : scrambled) {
        bank.addKnowledgePath(u"数与代数"_s, name, u"乙"_s);
        bank.addKnowledgePath(u"数与代数"_s, name, u"甲"_s);
    }
    bank.addKnowledgePath(u"数与代数"_s, u"第2章"_s, u"甲"_s); // a repeated row counts once
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"第10节"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"第2节"_s);
    BankStore store = bank.store();

    const QStringList level2 = store.sortedDistinctValues({u"知识点表"_s, {}, {}}, u"第二知识点"_s);
    QCOMPARE(level2, (QStringList{u"安全"_s, u"第1章"_s, u"第2章"_s, u"第10章"_s, u"二次函数"_s, u"三角形"_s,
                                  u"一次函数"_s, u"Abc"_s}));
    QStringList sorted = scrambled;
    sorted.removeAll(u"abc"_s);
    sorted << u"三角形"_s;
    NameOrder::sort(sorted);
    QCOMPARE(level2, sorted);

    const std::vector<KnowledgePath> paths = store.knowledgePathsInNameOrder();
    QCOMPARE(int(paths.size()), 2 * 7 + 3);
    QCOMPARE(paths.front(), (KnowledgePath{u"数与代数"_s, u"安全"_s, u"甲"_s}));
    QCOMPARE(paths.at(1), (KnowledgePath{u"数与代数"_s, u"安全"_s, u"乙"_s}));
    QCOMPARE(paths.at(14), (KnowledgePath{u"图形与几何"_s, u"三角形"_s, u"第2节"_s}));
    QCOMPARE(paths.at(15), (KnowledgePath{u"图形与几何"_s, u"三角形"_s, u"第10节"_s}));
    QCOMPARE(paths.back(), (KnowledgePath{u"图形与几何"_s, u"三角形"_s, u"全等"_s}));
    QStringList level2InPaths;
    for (const KnowledgePath& p : paths) {
        if (p.level1 == u"数与代数" && p.level3 == u"甲")
            level2InPaths << p.level2;
    }
    QStringList expected = level2;
    expected.removeAll(u"三角形"_s);
    QCOMPARE(level2InPaths, expected);
}

void BankStoreTest::chineseNumeralsSortAsNumbers()
{
    // Chapters and numbered headings in Chinese numerals come in their
    // numbers' order, among Arabic ones; numerals that are part of a word
    // (一次函数, 三角形) keep their pinyin place.
    const QStringList ordered{
        u"一、数与式"_s, u"二、方程与不等式"_s, u"三、函数"_s, u"十、统计"_s,     u"十一、概率"_s,
        u"十二、综合"_s, u"第〇章"_s,           u"第零章"_s,   u"第一章"_s,       u"第2章"_s,
        u"第二章"_s,     u"第三章"_s,           u"第九章"_s,   u"第十章"_s,       u"第十一章"_s,
        u"第十三章"_s,   u"第二十章"_s,         u"第一百章"_s, u"第一百零一章"_s, u"二次函数"_s,
        u"三角形"_s,     u"一次函数"_s};
    QStringList scrambled = ordered;
    std::reverse(scrambled.begin(), scrambled.end());
    std::rotate(scrambled.begin(), scrambled.begin() + 7, scrambled.end());
    QStringList sorted = scrambled;
    NameOrder::sort(sorted);
    QCOMPARE(sorted, ordered);
    for (qsizetype i = 1; i < ordered.size(); ++i) {
        QVERIFY2(NameOrder::less(ordered[i - 1], ordered[i]),
                 qPrintable(ordered[i - 1] + u" < "_s + ordered[i]));
        QVERIFY(!NameOrder::less(ordered[i], ordered[i - 1]));
    }
    // Mixed numerals: 第2章 before 第十章, 第10章 and 第十章 next to each other.
    QVERIFY(NameOrder::less(u"第2章"_s, u"第十章"_s));
    QVERIFY(NameOrder::less(u"第九章"_s, u"第10章"_s));
    QVERIFY(NameOrder::less(u"第10章"_s, u"第十一章"_s));
    QVERIFY(NameOrder::less(u"七年级上册"_s, u"八年级上册"_s));
    QVERIFY(NameOrder::less(u"初二"_s, u"初三"_s));
    QVERIFY(NameOrder::less(u"复习（二）"_s, u"复习（十）"_s));

    // The same order from the store's lists and the tree's paths.
    TestBank bank;
    for (const QString& name : scrambled) {
        bank.addKnowledgePath(name, u"第十节"_s, u"甲"_s);
        bank.addKnowledgePath(name, u"第二节"_s, u"第十二课"_s);
        bank.addKnowledgePath(name, u"第二节"_s, u"第三课"_s);
    }
    BankStore store = bank.store();
    QCOMPARE(store.sortedDistinctValues({u"知识点表"_s, {}, {}}, u"第一知识点"_s), ordered);
    const std::vector<KnowledgePath> paths = store.knowledgePathsInNameOrder();
    QCOMPARE(int(paths.size()), 3 * int(ordered.size()));
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        const std::size_t at = std::size_t(3 * i);
        QCOMPARE(paths[at], (KnowledgePath{ordered[i], u"第二节"_s, u"第三课"_s}));
        QCOMPARE(paths[at + 1], (KnowledgePath{ordered[i], u"第二节"_s, u"第十二课"_s}));
        QCOMPARE(paths[at + 2], (KnowledgePath{ordered[i], u"第十节"_s, u"甲"_s}));
    }
}

void BankStoreTest::updateAndDeleteCurrentRow()
{
    TestBank bank;
    for (int i = 0; i < 4; ++i)
        bank.addQuestion();
    BankStore store = bank.store();
    Recordset r = store.openTable(kQuestions);

    r.moveFromFirst(1);
    QCOMPARE(r.text(u"难度"_s), u"A"_s);
    r.update({{u"难度"_s, u"F"_s}, {u"题型"_s, u"判断题"_s}});
    QCOMPARE(r.text(u"难度"_s), u"F"_s); // read again after the update
    QCOMPARE(store.count({kQuestions, u"难度 = ? AND 题目编号 = ?"_s, {u"F"_s, u"2"_s}}), 1);
    QCOMPARE(store.count({kQuestions, u"难度 = ?"_s, {u"F"_s}}), 1);

    // Deleting keeps the position on the deleted row; the next move goes on
    // to its neighbour and the row leaves the result.
    r.moveFromFirst(2);
    r.deleteCurrent();
    QVERIFY(r.isDeleted());
    QVERIFY(!r.eof() && !r.bof());
    QVERIFY_THROWS_EXCEPTION(StoreError, r.field(0));
    QVERIFY_THROWS_EXCEPTION(StoreError, r.deleteCurrent());
    QCOMPARE(r.recordCount(), 3);
    r.moveNext();
    QCOMPARE(r.text(0), u"4"_s);
    r.movePrevious();
    QCOMPARE(r.text(0), u"2"_s);
    QCOMPARE(store.questionCount(), 3);

    // Deleting the last row, then moving back.
    r.moveLast();
    r.deleteCurrent();
    r.movePrevious();
    QCOMPARE(r.text(0), u"2"_s);
    // Deleting the last row, then moving on.
    r.moveLast();
    r.deleteCurrent();
    r.moveNext();
    QVERIFY(r.eof());
    QCOMPARE(numbersOf(r), QStringList{u"1"_s});
    // Deleting the first row, then moving back.
    r.moveFirst();
    r.deleteCurrent();
    r.movePrevious();
    QVERIFY(r.bof() && r.eof());
    QCOMPARE(store.questionCount(), 0);
}

void BankStoreTest::storedOrderIsAppendOrder()
{
    TestBank bank;
    const QStringList numbers{u"5"_s, u"2"_s, u"9"_s, u"1"_s, u"2"_s, u"30"_s, u"10"_s};
    const QStringList difficulties{u"C"_s, u"B"_s, u"A"_s, u"C"_s, u"A"_s, u"B"_s, u"A"_s};
    for (qsizetype i = 0; i < numbers.size(); ++i)
        bank.addQuestion({.number = numbers[i], .difficulty = difficulties[i]});
    for (const QString& type : {u"解答题"_s, u"选择题"_s, u"填空题"_s})
        bank.addQuestionType(type);
    BankStore store = bank.store();

    Recordset r = store.openTable(kQuestions);
    QCOMPARE(numbersOf(r), numbers);
    const auto rows = store.readAll({kQuestions, {}, {}});
    QCOMPARE(int(rows.size()), numbers.size());
    for (size_t i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i].at(0).toString(), numbers.at(qsizetype(i)));
    // A condition answered through an index still comes back in stored order.
    Recordset filtered = store.open({kQuestions, u"难度 IN (?, ?, ?)"_s, {u"C"_s, u"B"_s, u"A"_s}});
    QCOMPARE(numbersOf(filtered), numbers);
    const auto filteredRows = store.readAll({kQuestions, u"难度 >= ?"_s, {u"A"_s}});
    QCOMPARE(int(filteredRows.size()), numbers.size());
    for (size_t i = 0; i < filteredRows.size(); ++i)
        QCOMPARE(filteredRows[i].at(0).toString(), numbers.at(qsizetype(i)));
    QCOMPARE(store.distinctValues({kQuestions, u"难度 >= ?"_s, {u"A"_s}}, u"难度"_s),
             (QStringList{u"C"_s, u"B"_s, u"A"_s}));
    QCOMPARE(store.lastValue({kQuestions, u"难度 = ?"_s, {u"C"_s}}, u"题目编号"_s),
             std::optional<QVariant>(u"1"_s));
    QCOMPARE(store.distinctValues({u"题型表"_s, {}, {}}, u"题型"_s),
             (QStringList{u"解答题"_s, u"选择题"_s, u"填空题"_s}));

    // Deleting and appending again puts the new row last.
    store.deleteWhere({kQuestions, u"题目编号 = ?"_s, {u"5"_s}});
    bank.addQuestion({.number = u"5"_s});
    Recordset again = store.openTable(kQuestions);
    QCOMPARE(numbersOf(again), (QStringList{u"2"_s, u"9"_s, u"1"_s, u"2"_s, u"30"_s, u"10"_s, u"5"_s}));
}

void BankStoreTest::quotesAndSqlTextRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("single quote") << u"O'Brien's"_s;
    QTest::newRow("statement") << u"'; drop table 登录表; --"_s;
    QTest::newRow("condition") << u"x' or '1'='1"_s;
    QTest::newRow("placeholder") << u"? ?"_s;
    QTest::newRow("double quote") << u"\"题型\""_s;
    QTest::newRow("backslash and percent") << u"\\'%_*"_s;
    QTest::newRow("blanks kept") << u"  两边有空格  "_s;
}

void BankStoreTest::quotesAndSqlTextRoundTrip()
{
    QFETCH(QString, value);
    TestBank bank;
    bank.addUser(value, value, value);
    bank.addQuestionType(value);
    bank.addKnowledgePath(value, value, value);
    const QuestionRecord q{u"1"_s, value, {value, value, value}, value, value.toUtf8(), value.toUtf8(), value,
                           value,  value};
    BankStore store = bank.store();
    store.appendQuestion(q);

    // Typed reads give back exactly what was written.
    const std::vector<UserRecord> users = store.users(u"姓名 = ?"_s, {value});
    QCOMPARE(int(users.size()), 1);
    QCOMPARE(users[0].name, value);
    QCOMPARE(users[0].role, value);
    QCOMPARE(store.questions(u"题型 = ?"_s, {value}), std::vector<QuestionRecord>{q});
    QCOMPARE(store.knowledgePaths(), (std::vector<KnowledgePath>{{value, value, value}}));
    QCOMPARE(store.questionTypes().at(0).name, value);

    Recordset r =
        store.open({kQuestions, u"题型 = ? AND 难度 = ? AND 录入时间 = ?"_s, {value, value, value}});
    QCOMPARE(r.recordCount(), 1);
    QCOMPARE(QuestionRecord::fromRow(r.values()), q);
    r.update({{u"答案"_s, value + value}});
    QCOMPARE(r.text(u"答案"_s), value + value);

    QCOMPARE(store.distinctValues({u"知识点表"_s, u"第一知识点 = ?"_s, {value}}, u"第二知识点"_s),
             QStringList{value});
    QCOMPARE(store.count({u"题型表"_s, u"题型 = ?"_s, {value}}), 1);
    QCOMPARE(store.deleteWhere({u"题型表"_s, u"题型 = ?"_s, {value}}), 1);
    // Nothing else was touched.
    QCOMPARE(store.count({u"登录表"_s, {}, {}}), 1);
    QCOMPARE(store.count({u"知识点表"_s, {}, {}}), 1);
    QCOMPARE(store.questionCount(), 1);
}

void BankStoreTest::conditionsCountDistinctAndDelete()
{
    TestBank bank;
    bank.addKnowledgePath(u"数与代数"_s, u"整式"_s, u"单项式"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"方程"_s, u"一元一次方程"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"整式"_s, u"多项式"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"整式"_s, u"单项式"_s); // duplicate rows are allowed
    // A level-2 name under two level-1 names.
    bank.addKnowledgePath(u"综合与实践"_s, u"整式"_s, u"整式的应用"_s);
    BankStore store = bank.store();
    const QString table = u"知识点表"_s;

    QCOMPARE(store.distinctValues({table, {}, {}}, u"第一知识点"_s),
             (QStringList{u"数与代数"_s, u"图形与几何"_s, u"综合与实践"_s}));
    QCOMPARE(store.distinctValues({table, u"第一知识点 = ?"_s, {u"数与代数"_s}}, u"第二知识点"_s),
             (QStringList{u"整式"_s, u"方程"_s}));
    QCOMPARE(store.distinctValues({table, u"第二知识点 = ?"_s, {u"整式"_s}}, u"第三知识点"_s),
             (QStringList{u"单项式"_s, u"多项式"_s, u"整式的应用"_s}));
    QCOMPARE(store.count({table, {}, {}}), 6);
    QCOMPARE(store.count({table, u"第二知识点 = ?"_s, {u"整式"_s}}), 4);
    QCOMPARE(store.count({table, u"第二知识点 = ?"_s, {u"没有"_s}}), 0);
    QCOMPARE(store.lastValue({table, u"第一知识点 = ?"_s, {u"数与代数"_s}}, u"第三知识点"_s),
             std::optional<QVariant>(u"单项式"_s));
    QVERIFY(!store.lastValue({table, u"第一知识点 = ?"_s, {u"没有"_s}}, u"第三知识点"_s).has_value());

    QCOMPARE(store.deleteWhere({table,
                                u"第一知识点 = ? AND 第二知识点 = ? AND 第三知识点 = ?"_s,
                                {u"数与代数"_s, u"整式"_s, u"单项式"_s}}),
             2);
    QCOMPARE(store.deleteWhere({table, u"第一知识点 = ?"_s, {u"没有"_s}}), 0);
    QCOMPARE(store.count({table, {}, {}}), 4);
    QCOMPARE(
        store.updateWhere({table, u"第二知识点 = ?"_s, {u"整式"_s}}, {{u"第二知识点"_s, u"整式的加减"_s}}),
        2);
    QCOMPARE(store.count({table, u"第二知识点 = ?"_s, {u"整式的加减"_s}}), 2);

    // The identifier is assigned by the store and keeps growing.
    Recordset r = store.openTable(table);
    r.moveLast();
    QCOMPARE(r.field(u"编号"_s).toInt(), 6);

    QVERIFY_THROWS_EXCEPTION(StoreError, store.count({table, u"没有的列 = ?"_s, {1}}));
    QVERIFY_THROWS_EXCEPTION(StoreError, store.append(table, {{u"没有的列"_s, 1}}));
}

void BankStoreTest::textComparesLatinLettersWithoutCase()
{
    TestBank bank;
    bank.addUser(u"Admin"_s, u"x"_s, u"超级管理"_s);
    bank.addQuestion({.difficulty = u"b"_s});
    BankStore store = bank.store();
    QCOMPARE(store.readAll({u"登录表"_s, u"姓名 = ?"_s, {u"aDMIN"_s}}).size(), size_t(1));
    QCOMPARE(store.count({kQuestions, u"难度 = ?"_s, {u"B"_s}}), 1);
    // Chinese text and blanks still count.
    QCOMPARE(store.readAll({u"登录表"_s, u"姓名 = ?"_s, {u" Admin"_s}}).size(), size_t(0));
}

// Users are read with their rows' identities, and changed and deleted by
// them: rows sharing a name stay apart.
void BankStoreTest::usersByIdentity()
{
    TestBank bank;
    bank.addUser(u"王老师"_s, u"a"_s);
    bank.addUser(u"Admin"_s, u"b"_s, u"超级管理"_s);
    bank.addUser(u"王老师"_s, u"c"_s, u"管理人员"_s);
    BankStore store = bank.store();
    const std::vector<StoredUser> all = store.storedUsers();
    QCOMPARE(all.size(), size_t(3));
    QVERIFY(all[0].id < all[1].id && all[1].id < all[2].id);
    QCOMPARE(all[2].user.role, u"管理人员"_s);
    const std::vector<StoredUser> wang = store.storedUsersNamed(u"王老师"_s);
    QCOMPARE(wang.size(), size_t(2));
    QCOMPARE(wang[1], all[2]);
    QCOMPARE(store.storedUsersNamed(u"aDMIN"_s).size(), size_t(1));
    QCOMPARE(store.storedUsersNamed(u"Admin "_s).size(), size_t(0));

    QVERIFY(store.updateUser(all[2].id, {u"王老师"_s, u"h"_s, u"一般人员"_s}));
    QCOMPARE(store.storedUsers()[0], all[0]);
    QCOMPARE(store.storedUsers()[2].user.passwordHash, u"h"_s);
    QCOMPARE(store.deleteUsers({all[0].id, all[1].id}), 2);
    QCOMPARE(store.deleteUsers({all[0].id}), 0);
    QVERIFY(!store.updateUser(all[0].id, {u"x"_s, u"y"_s, u"z"_s}));
    QCOMPARE(store.users(), (std::vector<UserRecord>{{u"王老师"_s, u"h"_s, u"一般人员"_s}}));
}

void BankStoreTest::resultOutlivesItsStore()
{
    TestBank bank;
    bank.addQuestion();
    bank.addQuestion();
    Recordset r;
    {
        BankStore store = bank.store();
        r = store.openTable(kQuestions);
    }
    // The result keeps its own connection, as the browsing windows need.
    r.moveLast();
    QCOMPARE(r.text(0), u"2"_s);
    r.deleteCurrent();
    QCOMPARE(bank.store().questionCount(), 1);

    // Moving a result hands its connection over.
    Recordset moved = std::move(r);
    moved.moveFirst();
    QCOMPARE(moved.text(0), u"1"_s);
}

void BankStoreTest::nextQuestionNumberFollowsLastAppended()
{
    TestBank bank;
    BankStore store = bank.store();
    QCOMPARE(nextQuestionNumber(store), u"1"_s);

    for (const QString& n : {u"1"_s, u"2"_s, u"3"_s})
        bank.addQuestion({.number = n});
    QCOMPARE(nextQuestionNumber(store), u"4"_s);
    bank.addQuestion({.number = u"10"_s});
    QCOMPARE(nextQuestionNumber(store), u"11"_s);

    // Deleting the last row brings back the one before it.
    store.deleteWhere({kQuestions, u"题目编号 = ?"_s, {u"10"_s}});
    QCOMPARE(nextQuestionNumber(store), u"4"_s);

    // The last appended, not the largest.
    bank.addQuestion({.number = u"100"_s});
    bank.addQuestion({.number = u"41"_s});
    QCOMPARE(nextQuestionNumber(store), u"42"_s);

    // A number that is already taken is stored without complaint.
    bank.addQuestion({.number = u"2"_s});
    QCOMPARE(store.count({kQuestions, u"题目编号 = ?"_s, {u"2"_s}}), 2);
    QCOMPARE(nextQuestionNumber(store), u"3"_s);

    store.deleteWhere({kQuestions, {}, {}});
    QCOMPARE(nextQuestionNumber(store), u"1"_s);
}

void BankStoreTest::nextQuestionNumberAddsNumerically_data()
{
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("next"); // empty: a type mismatch
    QTest::newRow("whole") << u"12"_s << u"13"_s;
    QTest::newRow("blanks around") << u" 12 "_s << u"13"_s;
    QTest::newRow("decimal") << u"12.5"_s << u"13.5"_s;
    QTest::newRow("whole decimal") << u"2.0"_s << u"3"_s;
    QTest::newRow("negative") << u"-1"_s << u"0"_s;
    QTest::newRow("exponent") << u"1e3"_s << u"1001"_s;
    QTest::newRow("largest whole") << u"9223372036854775807"_s << u"9223372036854775808"_s;
    QTest::newRow("letters") << u"abc"_s << QString();
    QTest::newRow("trailing letter") << u"12a"_s << QString();
    QTest::newRow("empty") << u""_s << QString();
    QTest::newRow("chinese numeral") << u"一"_s << QString();
    QTest::newRow("infinity") << u"inf"_s << QString();
    QTest::newRow("not a number") << u"nan"_s << QString();
    QTest::newRow("too large") << u"1e400"_s << QString();
}

void BankStoreTest::nextQuestionNumberAddsNumerically()
{
    QFETCH(QString, last);
    QFETCH(QString, next);
    TestBank bank;
    bank.addQuestion({.number = u"5"_s});
    BankStore store = bank.store();
    store.appendQuestion(TestQuestion{.number = last}.record());
    if (!next.isEmpty()) {
        QCOMPARE(nextQuestionNumber(store), next);
        return;
    }
    const StoreError e = storeErrorOf([&] { nextQuestionNumber(store); });
    QCOMPARE(e.number, StoreErrorNumber::TypeMismatch);
    QVERIFY2(e.text.contains(u"“"_s + last + u"”"_s), qPrintable(e.text));
}

void BankStoreTest::displayTextQuotesValues()
{
    const TableQuery q{u"登录表"_s, u"姓名=? and 口令=?"_s, {u"张三"_s, u"a'b"_s}};
    QCOMPARE(q.displayText(), u"select * from 登录表 where 姓名='张三' and 口令='a'b'"_s);
    QCOMPARE((TableQuery{u"题型表"_s, {}, {}}.displayText()), u"select * from 题型表"_s);
    // A value holding "?" is not taken for the next placeholder.
    const TableQuery two{u"数学题库"_s, u"题型 = ? and 难度 = ?"_s, {u"?"_s, u"A"_s}};
    QCOMPARE(two.displayText(), u"select * from 数学题库 where 题型 = '?' and 难度 = 'A'"_s);
}

// A reader holding the bank keeps a write from committing: the failure names
// the lock (not a generic error), and the bank keeps what it had.
void BankStoreTest::failedCommitSaysWhyAndKeepsNothing()
{
    TestBank bank;
    bank.addQuestion({.number = u"1"_s});
    setBankBusyTimeout(0);
    {
        QSqlDatabase reader = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"reader"_s);
        reader.setDatabaseName(bank.bankPath());
        QVERIFY(reader.open());
        QVERIFY(reader.transaction());
        QSqlQuery q(reader);
        QVERIFY(q.exec(u"SELECT count(*) FROM 数学题库"_s) && q.next());

        BankStore store = bank.store();
        try {
            store.inTransaction([&] { store.appendQuestion(TestQuestion{.number = u"2"_s}.record()); });
            QFAIL("the commit succeeded while a reader held the bank");
        } catch (const StoreError& e) {
            QCOMPARE(e.number, 5); // SQLITE_BUSY
            QVERIFY2(e.text.contains(u"已锁定"_s), qPrintable(e.text));
        }
        q.finish();
        QVERIFY(reader.commit());
        reader.close();
    }
    QSqlDatabase::removeDatabase(u"reader"_s);
    setBankBusyTimeout(5000);
    QCOMPARE(bank.store().questionCount(), 1);
}

QTEST_GUILESS_MAIN(BankStoreTest)
#include "BankStoreTest.moc"

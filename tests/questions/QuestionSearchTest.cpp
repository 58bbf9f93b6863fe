// The search statement and the kept result of the question windows, without
// any window.
#include "common/TestBank.h"
#include "questions/QuestionBrowser.h"
#include "questions/QuestionFilter.h"
#include "store/SqliteText.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class QuestionSearchTest : public QObject
{
    Q_OBJECT
private slots:
    void statementShape_data();
    void statementShape();
    void quotedValuesFindExactlyTheirRows();
    void navigationStopsAtBothEnds();
    void searchWithoutResultAfterOneWithResults();
    void changesActOnTheCurrentIdentity();
    void questionsChangedElsewhereAreSeen();
};

void QuestionSearchTest::statementShape_data()
{
    QTest::addColumn<QuestionFilter>("filter");
    QTest::addColumn<QString>("statement");
    QTest::newRow("none") << QuestionFilter{} << u"select * from 数学题库 where 题型<>'A'"_s;
    QTest::newRow("one") << QuestionFilter{.difficulty = u"B"_s}
                         << u"select * from 数学题库 where 题型<>'A' and 难度='B'"_s;
    QTest::newRow("several, fixed order") << QuestionFilter{.type = u"选择题"_s,
                                                            .path = {u"数与代数"_s, {}, u"绝对值"_s},
                                                            .entranceExam = u"是"_s,
                                                            .number = u"7"_s}
                                          << u"select * from 数学题库 where 题型<>'A' and 题型='选择题' and "
                                             u"知识点一='数与代数' and 知识点三='绝对值' "
                                             u"and 是否中考题='是' and 题目编号='7'"_s;
    QTest::newRow("a blank counts") << QuestionFilter{.enteredBy = u" "_s}
                                    << u"select * from 数学题库 where 题型<>'A' and 录入人=' '"_s;
}

void QuestionSearchTest::statementShape()
{
    QFETCH(QuestionFilter, filter);
    QFETCH(QString, statement);
    const TableQuery query = buildQuestionQuery(filter);
    QCOMPARE(query.displayText(), statement);
    // Values travel apart from the statement the store makes: it holds no literal.
    const SqlWhere sql = whereClause(query.conditions);
    QCOMPARE(sql.text.count(u'\''), 0);
    QCOMPARE(sql.params.size(), sql.text.count(u'?'));
}

void QuestionSearchTest::quotedValuesFindExactlyTheirRows()
{
    TestBank bank;
    const QString quoted = u"O'Brien' or '1'='1"_s;
    bank.addQuestion({.number = u"1"_s, .enteredBy = quoted});
    bank.addQuestion({.number = u"2"_s, .enteredBy = u"O"_s});
    bank.addQuestion({.number = u"3"_s, .type = u"A"_s, .enteredBy = quoted}); // type A is never found
    bank.addQuestion({.number = u"4"_s, .enteredBy = u" "_s});

    QuestionBrowser browser([&] { return bank.store(); });
    QCOMPARE(browser.search({.enteredBy = quoted}), 1);
    QCOMPARE(browser.current().record.number, u"1"_s);
    QCOMPARE(browser.search({.enteredBy = u" "_s}), 1);
    QCOMPARE(browser.current().record.number, u"4"_s);
    QCOMPARE(browser.search({}), 3);
    // The criteria of a shown question find the questions equal in all nine.
    QCOMPARE(browser.search(QuestionFilter::of(browser.first().record)), 1);
}

void QuestionSearchTest::navigationStopsAtBothEnds()
{
    TestBank bank;
    for (const QString& n : {u"1"_s, u"2"_s, u"3"_s})
        bank.addQuestion({.number = n});
    QuestionBrowser browser([&] { return bank.store(); });
    QCOMPARE(browser.search({}), 3);
    QCOMPARE(browser.current().record.number, u"1"_s);

    QCOMPARE(browser.previous().outcome, QuestionBrowser::Outcome::NoRow);
    QCOMPARE(browser.next().record.number, u"2"_s); // the first stayed current
    QCOMPARE(browser.last().record.number, u"3"_s);
    QCOMPARE(browser.next().outcome, QuestionBrowser::Outcome::NoRow);
    QCOMPARE(browser.previous().record.number, u"2"_s); // the last stayed current
    QCOMPARE(browser.first().record.number, u"1"_s);
    QCOMPARE(browser.count(), 3);
}

void QuestionSearchTest::searchWithoutResultAfterOneWithResults()
{
    TestBank bank;
    bank.addQuestion({.number = u"1"_s});
    QuestionBrowser browser([&] { return bank.store(); });
    QCOMPARE(browser.search({}), 1);
    QCOMPARE(browser.search({.difficulty = u"F"_s}), 0);
    QCOMPARE(browser.count(), 0);
    QVERIFY(!browser.hasCurrent());
    for (auto move : {&QuestionBrowser::first, &QuestionBrowser::last, &QuestionBrowser::next,
                      &QuestionBrowser::previous})
        QCOMPARE((browser.*move)().outcome, QuestionBrowser::Outcome::NoRow);
    QCOMPARE(storeErrorOf([&] { browser.updateCurrent({}); }).number, StoreErrorNumber::NoCurrentRow);
    QCOMPARE(storeErrorOf([&] { browser.deleteCurrent(); }).number, StoreErrorNumber::NoCurrentRow);
    QCOMPARE(bank.store().questions().size(), size_t(1));
}

void QuestionSearchTest::changesActOnTheCurrentIdentity()
{
    TestBank bank;
    // Two questions carry the same number: only the shown one changes.
    bank.addQuestion({.number = u"5"_s, .difficulty = u"A"_s});
    bank.addQuestion({.number = u"5"_s, .difficulty = u"B"_s});
    bank.addQuestion({.number = u"6"_s, .difficulty = u"C"_s});
    QuestionBrowser browser([&] { return bank.store(); });
    QCOMPARE(browser.search({}), 3);
    QuestionRecord q = browser.next().record;
    QCOMPARE(q.difficulty, u"B"_s);
    q.number = u"42"_s;
    q.content = "{\\rtf1 changed}";
    browser.updateCurrent(q);
    QCOMPARE(browser.current().record, q);
    std::vector<QuestionRecord> stored = bank.store().questions();
    QCOMPARE(stored.at(0).number, u"5"_s);
    QCOMPARE(stored.at(1), q);

    // A delete keeps the position on the deleted question; next moves on.
    browser.deleteCurrent();
    QVERIFY(!browser.hasCurrent());
    QVERIFY_THROWS_EXCEPTION(StoreError, browser.updateCurrent(q));
    QCOMPARE(browser.next().record.number, u"6"_s);
    QCOMPARE(browser.previous().record.number, u"5"_s);
    stored = bank.store().questions();
    QCOMPARE(stored.size(), size_t(2));
}

void QuestionSearchTest::questionsChangedElsewhereAreSeen()
{
    TestBank bank;
    for (const QString& n : {u"1"_s, u"2"_s, u"3"_s})
        bank.addQuestion({.number = n});
    QuestionBrowser browser([&] { return bank.store(); });
    QCOMPARE(browser.search({}), 3);
    {
        BankStore other = bank.store();
        other.updateWhere({u"数学题库"_s, {Condition::equal(u"题目编号"_s, u"1"_s)}}, {{u"难度"_s, u"F"_s}});
        other.deleteWhere({u"数学题库"_s, {Condition::equal(u"题目编号"_s, u"3"_s)}});
        bank.addQuestion({.number = u"4"_s}); // not in the kept result
    }
    QCOMPARE(browser.first().record.difficulty, u"F"_s);
    QCOMPARE(browser.last().outcome, QuestionBrowser::Outcome::Deleted);
    QVERIFY(!browser.hasCurrent());
    const QuestionRecord q{.number = u"9"_s};
    QCOMPARE(storeErrorOf([&] { browser.updateCurrent(q); }).number, StoreErrorNumber::NoCurrentRow);
    QCOMPARE(bank.store().questions({Condition::equal(u"题目编号"_s, u"9"_s)}).size(), size_t(0));
    QCOMPARE(browser.next().outcome, QuestionBrowser::Outcome::NoRow);
    QCOMPARE(browser.count(), 3);
}

QTEST_GUILESS_MAIN(QuestionSearchTest)
#include "QuestionSearchTest.moc"

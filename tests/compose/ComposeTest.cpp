#include "common/TestBank.h"
#include "compose/ChoiceAnswer.h"
#include "compose/ComposedDocument.h"
#include "compose/CompositionState.h"
#include "compose/CriteriaFile.h"
#include "compose/PaperComposer.h"
#include "compose/PaperItems.h"
#include "rtf/RtfReader.h"

#include <deque>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QByteArray body(const char* text)
{
    return QByteArray("{\\rtf1\\ansi\\ansicpg936 ") + text + "\\par}";
}

// A random source that gives the listed numbers in turn.
UniformSource scripted(std::vector<double> values)
{
    auto queue = std::make_shared<std::deque<double>>(values.begin(), values.end());
    return [queue] {
        if (queue->empty()) {
            QTest::qFail("more draws than scripted", __FILE__, __LINE__);
            return 0.0;
        }
        const double r = queue->front();
        queue->pop_front();
        return r;
    };
}

// Queries for questions 1..n, each the same criteria.
std::vector<TableQuery> queriesOf(int n, const CompositionCriteria& criteria = {})
{
    std::vector<TableQuery> queries(1);
    for (int i = 0; i < n; ++i)
        queries.push_back(candidateQuery(criteria));
    return queries;
}

struct Documents
{
    QTextDocument paper;
    QTextDocument answers;
    QTextCursor paperCaret{&paper};
    QTextCursor answerCaret{&answers};
};

} // namespace

class ComposeTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        bank.reset(); // the old bank gives the program directory back first
        bank = std::make_unique<TestBank>();
    }
    void candidateQueryBindsTheCriteriaInWindowOrder();
    void questionCountEntries_data();
    void questionCountEntries();
    void runStateKeepsQueriesInsideOneToN();
    void repeatKeyReadsTheLeadingNumber();
    void criteriaStepStoresQueriesAndRestartsWithANewRun();
    void manualCriteriaStepCountsOneQuestionAtATime();
    void drawStartsAtRandomWrapsAndSkipsUsedNumbers();
    void sameLeadingNumberCountsAsOneQuestion();
    void exhaustedCandidatesStopTheSetWithoutHanging();
    void twoSetsGiveHeadersLabelsAndBodies();
    void sameSeedGivesTheSamePaper();
    void savingWritesRtfWhateverTheExtension();
    void criteriaFileErrorsNameTheLine();
    void choiceLettersFromTheUsualForms_data();
    void choiceLettersFromTheUsualForms();
    void printedBodiesAreWhatTheDocumentsHold();
    void documentThatNoLongerMatchesSaysWhy_data();
    void documentThatNoLongerMatchesSaysWhy();
    void runOfTheOtherWizardIsNotTakenOver();
    void itemsAreFoundMovedAndReplacedAroundTheTeachersEdits();
    void replacementIsAnotherCandidateNotInTheSet();

private:
    std::unique_ptr<TestBank> bank;
    PaperComposer composerWith(UniformSource random)
    {
        return PaperComposer([] { return BankStore::openBank(); }, std::move(random));
    }
};

void ComposeTest::candidateQueryBindsTheCriteriaInWindowOrder()
{
    QCOMPARE(candidateQuery({}).where, u"题型<>'A'"_s);
    QVERIFY(candidateQuery({}).params.isEmpty());

    CompositionCriteria c;
    c.type = u"填空题"_s;
    c.path.level3 = u"数轴"_s;
    c.difficulty = u"B"_s;
    c.number = u" "_s; // a single blank is a condition too
    c.enteredBy = u"O'Brien"_s;
    const TableQuery q = candidateQuery(c);
    QCOMPARE(q.table, u"数学题库"_s);
    QCOMPARE(q.where, u"题型<>'A' and 题型=? and 知识点三=? and 难度=? and 录入人=? and 题目编号=?"_s);
    QCOMPARE(q.params, (QVariantList{u"填空题"_s, u"数轴"_s, u"B"_s, u"O'Brien"_s, u" "_s}));

    // The quote travels as a bound value and matches the stored name.
    bank->addQuestion({.number = u"1"_s, .enteredBy = u"O'Brien"_s});
    bank->addQuestion({.number = u"2"_s, .type = u"A"_s, .enteredBy = u"O'Brien"_s});
    CompositionCriteria byName;
    byName.enteredBy = u"O'Brien"_s;
    QCOMPARE(bank->store().count(candidateQuery(byName)), 1);
}

void ComposeTest::questionCountEntries_data()
{
    QTest::addColumn<std::optional<QString>>("entry");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("message");
    const QString zero = u"题目数量不能是零！请重新输入"_s;
    const QString range = u"题目总数应是 1 到 500 之间的整数，请重新输入"_s;
    QTest::newRow("zero") << std::optional(u"0"_s) << 0 << zero;
    QTest::newRow("empty") << std::optional(QString()) << 0 << zero;
    QTest::newRow("letters") << std::optional(u"abc"_s) << 0 << zero;
    QTest::newRow("cancel") << std::optional<QString>() << 0 << zero;
    QTest::newRow("3题") << std::optional(u"3题"_s) << 3 << QString();
    QTest::newRow("blanks inside") << std::optional(u" 1 2 "_s) << 12 << QString();
    QTest::newRow("3.") << std::optional(u"3."_s) << 3 << QString();
    QTest::newRow("limit") << std::optional(u"500"_s) << 500 << QString();
    QTest::newRow("negative") << std::optional(u"-2"_s) << 0 << range;
    QTest::newRow("fraction") << std::optional(u"2.5"_s) << 0 << range;
    QTest::newRow("small fraction") << std::optional(u"0.4"_s) << 0 << range;
    QTest::newRow("too large") << std::optional(u"501"_s) << 0 << range;
    QTest::newRow("exponent") << std::optional(u"1e9"_s) << 0 << range;
}

void ComposeTest::questionCountEntries()
{
    QFETCH(std::optional<QString>, entry);
    QFETCH(int, count);
    QFETCH(QString, message);
    const QuestionCountEntry read = readQuestionCount(entry);
    QCOMPARE(read.count, count);
    QCOMPARE(read.message, message);
    QCOMPARE(read.ok(), message.isEmpty());
}

void ComposeTest::runStateKeepsQueriesInsideOneToN()
{
    CompositionState state;
    state.startRun(2);
    QCOMPARE(state.CriteriaSqlList.size(), size_t(3));
    CompositionCriteria c;
    c.type = u"填空题"_s;
    QVERIFY(state.storeCriteria(2, candidateQuery(c)));
    QVERIFY(!state.storeCriteria(0, candidateQuery(c)));
    QVERIFY(!state.storeCriteria(3, candidateQuery(c)));
    QCOMPARE(state.criteriaOf(2), std::optional(candidateQuery(c)));
    QVERIFY(!state.criteriaOf(3));
    state.startRun(1); // a new run forgets the stored queries
    QCOMPARE(state.criteriaOf(1), std::optional(TableQuery{}));
    QVERIFY(!state.criteriaOf(2));
}

void ComposeTest::criteriaStepStoresQueriesAndRestartsWithANewRun()
{
    bank->addQuestion({.number = u"1"_s, .type = u"填空题"_s});
    bank->addQuestion({.number = u"2"_s, .type = u"选择题"_s});
    CompositionState state;
    CriteriaStep step(state);
    QCOMPARE(step.prompt(), u"请填入第（1）题的搜索信息…"_s);
    state.startRun(3);
    BankStore store = bank->store();
    CompositionCriteria fill;
    fill.type = u"填空题"_s;
    QCOMPARE(step.confirm(fill, store), CriteriaStep::Outcome::Next);
    QCOMPARE(step.prompt(), u"请选择第（2）题的搜索项目"_s);

    // No match: the same question is asked again and nothing is stored.
    CompositionCriteria blank;
    blank.type = u" "_s;
    QCOMPARE(step.confirm(blank, store), CriteriaStep::Outcome::NoMatch);
    QCOMPARE(step.message(CriteriaStep::Outcome::NoMatch), u"别逗了，根本没有符合条件的题！"_s);
    QCOMPARE(step.prompt(), u"请选择第（2）题的搜索项目"_s);
    QCOMPARE(state.criteriaOf(2), std::optional(TableQuery{}));
    QCOMPARE(step.confirm({}, store), CriteriaStep::Outcome::Next);
    QCOMPARE(state.criteriaOf(2), std::optional(candidateQuery({})));

    // The window is left at question 3 and a new run of two questions begins:
    // it starts again at question 1, and its last question is the second.
    state.startRun(2);
    QCOMPARE(step.nextQuestion(), 1);
    QCOMPARE(step.prompt(), u"请选择第（1）题的搜索项目"_s);
    QCOMPARE(step.confirm(fill, store), CriteriaStep::Outcome::Next);
    QCOMPARE(step.confirm(fill, store), CriteriaStep::Outcome::Last);
    QCOMPARE(step.message(CriteriaStep::Outcome::Last),
             u"题目信息添加成功，共（2）道题，可以开始下一步了..."_s);
    QCOMPARE(step.prompt(), u"请选择第（1）题的搜索项目"_s);
    QCOMPARE(state.CriteriaSqlList.size(), size_t(3));
    QCOMPARE(state.criteriaOf(2), std::optional(candidateQuery(fill)));
    QCOMPARE(step.nextQuestion(), 1);
}

void ComposeTest::manualCriteriaStepCountsOneQuestionAtATime()
{
    bank->addQuestion({.number = u"1"_s, .type = u"填空题"_s});
    CompositionState state;
    ManualCriteriaStep step(state);
    BankStore store = bank->store();
    QCOMPARE(step.prompt(), u"请填入第（1）题的搜索信息…"_s);
    state.startRun(2);
    CompositionCriteria blank;
    blank.type = u" "_s;
    QCOMPARE(step.confirm(blank, store), ManualCriteriaStep::Outcome::NoMatch);
    QCOMPARE(step.message(ManualCriteriaStep::Outcome::NoMatch), u"别逗了，题库中没有符合条件的题！"_s);
    QCOMPARE(state.ManualQuestionNo, 0);
    QCOMPARE(step.confirm({}, store), ManualCriteriaStep::Outcome::Next);
    QCOMPARE(state.ManualQuestionNo, 1);
    QCOMPARE(state.ManualCriteriaSql, candidateQuery({}));
    QCOMPARE(step.prompt(), u"请选择第（2）题的搜索项目"_s);

    // The browse window finds nothing any more: question 1 is asked again.
    ManualCriteriaStep::askAgain(state);
    QCOMPARE(step.prompt(), u"请选择第（1）题的搜索项目"_s);
    QCOMPARE(step.confirm({}, store), ManualCriteriaStep::Outcome::Next);
    QCOMPARE(step.confirm({}, store), ManualCriteriaStep::Outcome::Last);
    QCOMPARE(step.message(ManualCriteriaStep::Outcome::Last), u"恭喜！这是最后一题了"_s);
    QCOMPARE(step.prompt(), u"请选择第（1）题的搜索项目"_s);
    // No question is left to confirm until a new run starts.
    QCOMPARE(step.confirm({}, store), ManualCriteriaStep::Outcome::NoQuestionLeft);
    QCOMPARE(state.ManualQuestionNo, 2);

    // A new run, whatever the last one left, starts at question 1.
    state.startRun(3);
    QCOMPARE(state.ManualQuestionNo, 0);
    QCOMPARE(state.ManualCriteriaSql, TableQuery{});
    QCOMPARE(step.confirm({}, store), ManualCriteriaStep::Outcome::Next);
    QCOMPARE(state.ManualQuestionNo, 1);
}

void ComposeTest::repeatKeyReadsTheLeadingNumber()
{
    QCOMPARE(repeatKey(u"12"_s), 12.0);
    QCOMPARE(repeatKey(u"12a"_s), 12.0);
    QCOMPARE(repeatKey(u"1 2"_s), 12.0);
    QCOMPARE(repeatKey(u"12.0"_s), 12.0);
    QCOMPARE(repeatKey(u"6.5"_s), 6.0); // halves go to the even number
    QCOMPARE(repeatKey(u"7.5"_s), 8.0);
    QCOMPARE(repeatKey(u"-3"_s), -3.0);
    QCOMPARE(repeatKey(u"第3题"_s), 0.0);
    QCOMPARE(repeatKey(QString()), 0.0);
}

void ComposeTest::drawStartsAtRandomWrapsAndSkipsUsedNumbers()
{
    for (int n = 1; n <= 5; ++n)
        bank->addQuestion({.number = QString::number(n)});
    bank->addQuestion({.number = u"6"_s, .type = u"A"_s}); // never a candidate
    Documents docs;
    // 0.9 starts at row 5; 0.85 at row 5 again, which is used, so it wraps to
    // row 1; 0.0 starts at row 1, used, so row 2; 0.5 starts at row 3.
    PaperComposer composer = composerWith(scripted({0.9, 0.85, 0.0, 0.5}));
    const ComposedSet set = composer.composeSet(1, queriesOf(4), docs.paperCaret, docs.answerCaret);
    QVERIFY(set.complete());
    QCOMPARE(set.numbers, (QStringList{u"5"_s, u"1"_s, u"2"_s, u"3"_s}));

    // Used numbers are forgotten between sets: a question may come again.
    PaperComposer again = composerWith(scripted({0.9}));
    QCOMPARE(again.composeSet(2, queriesOf(1), docs.paperCaret, docs.answerCaret).numbers,
             QStringList{u"5"_s});
}

void ComposeTest::sameLeadingNumberCountsAsOneQuestion()
{
    bank->addQuestion({.number = u"7"_s});
    bank->addQuestion({.number = u"7a"_s});
    bank->addQuestion({.number = u"8"_s});
    Documents docs;
    // The second draw starts at 7a, which reads as 7, already in the set.
    PaperComposer composer = composerWith(scripted({0.0, 0.4}));
    const ComposedSet set = composer.composeSet(1, queriesOf(2), docs.paperCaret, docs.answerCaret);
    QCOMPARE(set.numbers, (QStringList{u"7"_s, u"8"_s}));
}

void ComposeTest::exhaustedCandidatesStopTheSetWithoutHanging()
{
    bank->addQuestion({.number = u"1"_s, .type = u"填空题"_s, .content = body("first")});
    bank->addQuestion({.number = u"1b"_s, .type = u"填空题"_s, .content = body("same number")});
    bank->addQuestion({.number = u"2"_s, .type = u"填空题"_s, .content = body("second")});
    bank->addQuestion({.number = u"3"_s, .type = u"选择题"_s});
    CompositionCriteria blanks;
    blanks.type = u"填空题"_s;
    Documents docs;
    PaperComposer composer = composerWith(scripted({0.0, 0.0, 0.0}));
    const ComposedSet set = composer.composeSet(1, queriesOf(3, blanks), docs.paperCaret, docs.answerCaret);
    QVERIFY(!set.complete());
    QCOMPARE(set.numbers, (QStringList{u"1"_s, u"2"_s}));
    QCOMPARE(set.failure, u"第（3）题符合条件的3道题都已用在本套试卷中，第（1）套试卷停在第（3）题。"_s);
    // What was composed stays.
    QVERIFY(docs.paper.toPlainText().contains(u"（2）\nsecond"_s));
    QVERIFY(!docs.paper.toPlainText().contains(u"（3）"_s));

    // A query that matches nothing any more (the bank changed) stops at once.
    CompositionCriteria gone;
    gone.type = u"解答题"_s;
    PaperComposer none = composerWith(scripted({0.3}));
    const ComposedSet empty = none.composeSet(2, queriesOf(1, gone), docs.paperCaret, docs.answerCaret);
    QVERIFY(empty.numbers.isEmpty());
    QCOMPARE(empty.failure, u"第（1）题的组卷条件在题库中已没有符合条件的题，第（2）套试卷停在第（1）题。"_s);
}

void ComposeTest::twoSetsGiveHeadersLabelsAndBodies()
{
    bank->addQuestion({.number = u"1"_s, .content = body("Q one"), .answer = body("A one")});
    bank->addQuestion({.number = u"2"_s, .content = body("Q \\b two"), .answer = body("A two")});
    Documents docs;
    PaperComposer composer = composerWith(scripted({0.0, 0.0, 0.6, 0.0}));
    QCOMPARE(composer.composeSet(1, queriesOf(2), docs.paperCaret, docs.answerCaret).numbers,
             (QStringList{u"1"_s, u"2"_s}));
    QCOMPARE(composer.composeSet(2, queriesOf(2), docs.paperCaret, docs.answerCaret).numbers,
             (QStringList{u"2"_s, u"1"_s}));

    QCOMPARE(docs.paper.toPlainText(), u"第（1）套试卷的题目\n\n\n\n"
                                       "（1）\nQ one\n\n\n"
                                       "（2）\nQ two\n\n\n"
                                       "第（2）套试卷的题目\n\n\n\n"
                                       "（1）\nQ two\n\n\n"
                                       "（2）\nQ one\n\n\n"_s);
    QCOMPARE(docs.answers.toPlainText(), u"第（1）套试卷的答案\n\n\n\n"
                                         "第（1）题的答案\nA one\n\n\n"
                                         "第（2）题的答案\nA two\n\n\n"
                                         "第（2）套试卷的答案\n\n\n\n"
                                         "第（1）题的答案\nA two\n\n\n"
                                         "第（2）题的答案\nA one\n\n\n"_s);
    // The body keeps its own formatting; the label is plain.
    const QTextCursor two = docs.paper.find(u"two"_s);
    QVERIFY(!two.isNull());
    QVERIFY(two.charFormat().fontWeight() >= QFont::Bold);
    // The last label follows the bold end of a body and is still plain.
    QTextCursor end(&docs.paper);
    end.movePosition(QTextCursor::End);
    const QTextCursor lastLabel = docs.paper.find(u"（2）"_s, end, QTextDocument::FindBackward);
    QVERIFY(lastLabel.position() > two.position());
    QCOMPARE(lastLabel.charFormat().fontWeight(), int(QFont::Normal));
}

void ComposeTest::sameSeedGivesTheSamePaper()
{
    for (int n = 1; n <= 30; ++n)
        bank->addQuestion({.number = QString::number(n)});
    auto compose = [&](std::uint64_t seed) {
        SeededUniform random(seed);
        Documents docs;
        PaperComposer composer = composerWith(std::ref(random));
        QStringList numbers;
        for (int k = 1; k <= 3; ++k)
            numbers << composer.composeSet(k, queriesOf(10), docs.paperCaret, docs.answerCaret).numbers;
        return std::pair{numbers, docs.paper.toPlainText()};
    };
    const auto first = compose(42);
    QCOMPARE(first.first.size(), 30);
    QCOMPARE(compose(42), first);
    QVERIFY(compose(43).first != first.first);
    // The first draw starts where the generator's first number points.
    SeededUniform r(42);
    QCOMPARE(first.first.first(), QString::number(int(30 * r()) + 1));
}

void ComposeTest::savingWritesRtfWhateverTheExtension()
{
    bank->addQuestion({.number = u"1"_s, .content = body("Q one")});
    Documents docs;
    PaperComposer composer = composerWith(scripted({0.0}));
    composer.composeSet(1, queriesOf(1), docs.paperCaret, docs.answerCaret);
    QTemporaryDir dir;
    for (const QString& name : {u"paper.doc"_s, u"paper.txt"_s, u"paper"_s}) {
        QString error;
        QVERIFY(saveDocumentAsRtf(docs.paper, dir.filePath(name), &error));
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("{\\rtf1"));
        QTextDocument back;
        RtfReader::read(bytes, &back);
        QVERIFY(back.toPlainText().startsWith(u"第（1）套试卷的题目\n\n\n\n（1）\nQ one"_s));
    }
    // A file that cannot be written: a message naming it, and the old file stays whole.
    QFile old(dir.filePath(u"kept.rtf"_s));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old paper");
    old.close();
    QString error;
    QVERIFY(!saveDocumentAsRtf(docs.paper, dir.path(), &error)); // a folder, not a file
    QVERIFY(error.contains(dir.path()));
    QVERIFY(!saveDocumentAsRtf(docs.paper, dir.filePath(u"missing/kept.rtf"_s), &error));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old paper"));
}

void ComposeTest::criteriaFileErrorsNameTheLine()
{
    const QByteArray header =
        "题型\t知识点一\t知识点二\t知识点三\t难度\t是否中考题\t录入人\t录入时间\t题目编号\n";
    const CriteriaFile good =
        CriteriaFile::parse("\xEF\xBB\xBF" + header + "填空题\t\t\t\tB\t\t\t\t\r\n\t\t\t\t\t\t\t\t \n");
    QVERIFY2(good.ok(), qPrintable(good.error));
    QCOMPARE(good.questions.size(), size_t(2));
    QCOMPARE(good.questions[0].type, u"填空题"_s);
    QCOMPARE(good.questions[0].difficulty, u"B"_s);
    QCOMPARE(good.questions[1].number, u" "_s);
    QCOMPARE(candidateQuery(good.questions[1]).where, u"题型<>'A' and 题目编号=?"_s);

    // Columns may be named in another order; the values follow their names.
    const CriteriaFile swapped = CriteriaFile::parse("难度\t知识点一\t知识点二\t知识点三\t题型\t是否中考题\t"
                                                     "录入人\t录入时间\t题目编号\nC\t\t\t\t解答题\t\t\t\t\n");
    QVERIFY(swapped.ok());
    QCOMPARE(swapped.questions[0].type, u"解答题"_s);
    QCOMPARE(swapped.questions[0].difficulty, u"C"_s);

    QCOMPARE(CriteriaFile::parse(header + "填空题\t\t\t\tB\t\t\t\t\n填空题\tB\n").error,
             u"line 3: 2 columns where 9 are expected (separated by tabs)"_s);
    QVERIFY(CriteriaFile::parse(QByteArray(header).replace("难度", "难易"))
                .error.startsWith(u"line 1: unknown field \"难易\""_s));
    QCOMPARE(CriteriaFile::parse(header + "\xB5\xDA\t\t\t\t\t\t\t\t\n").error, u"line 2: not UTF-8 text"_s);
    QCOMPARE(CriteriaFile::parse(header).error, u"line 2: no question follows the header line"_s);
    QCOMPARE(CriteriaFile::parse({}).error,
             u"line 1: the header line naming the nine criteria columns is missing"_s);
}

void ComposeTest::choiceLettersFromTheUsualForms_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("letters");
    const QList<std::pair<QString, QString>> rows{
        // A bare letter, as it is or full-width, in brackets, with a full stop.
        {u"C"_s, u"C"_s},
        {u"c"_s, u"C"_s},
        {u" C. "_s, u"C"_s},
        {u"（C）"_s, u"C"_s},
        {u"C．"_s, u"C"_s},
        {u"Ｃ"_s, u"C"_s},
        {u"ＡＤ"_s, u"AD"_s},
        {u"A、D"_s, u"AD"_s},
        // After a marker, wherever it stands.
        {u"答案：C"_s, u"C"_s},
        {u"【答案】C"_s, u"C"_s},
        {u"答案是A"_s, u"A"_s},
        {u"答：A"_s, u"A"_s},
        {u"选C"_s, u"C"_s},
        {u"故选：D."_s, u"D"_s},
        {u"答案：C 解析：因为x=2，所以y=3"_s, u"C"_s},
        {u"答案：Ｂ【解析】略"_s, u"B"_s},
        {u"解：由题意得x=1，y=2，故选B．"_s, u"B"_s},
        {u"答案：C\n解析：……故选C"_s, u"C"_s},
        // Opening the answer as an option does.
        {u"C．因为a>0，所以…"_s, u"C"_s},
        {u"Ｃ．１２"_s, u"C"_s},
        {u"(B)因为两直线平行"_s, u"B"_s},
        {u"C\n因为两直线平行"_s, u"C"_s},
        {u"C 解析：略"_s, u"C"_s},
        // Never a letter of a word or a formula; never a guess.
        {u"CD=3"_s, QString()},
        {u"A为线段BC的中点"_s, QString()},
        {u"x=A"_s, QString()},
        {u"答案：CD=3"_s, QString()},
        {u"答案：x=2"_s, QString()},
        {u"答案：C(2,3)"_s, QString()},
        {u"ABCD是矩形"_s, QString()},
        {u"解析：因为AB=AC，所以∠B=∠C"_s, QString()},
        {u"选项A错误"_s, QString()},
        {u"C\uFFFC"_s, QString()},
        {u"答案：A\n解析：……故选B"_s, QString()},
        {QString(), QString()},
    };
    for (const auto& [answer, letters] : rows)
        QTest::newRow(qPrintable(answer)) << answer << letters;
}

void ComposeTest::choiceLettersFromTheUsualForms()
{
    QFETCH(QString, answer);
    QFETCH(QString, letters);
    QCOMPARE(choiceLetters(answer), letters);
}

namespace {

// Two sets as the automatic composer builds them (set 2 of one question), and
// the records composed into them with bodies the documents no longer show.
struct ComposedPaper
{
    Documents docs;
    std::vector<PaperSet> sets{
        {{u"11"_s, u"选择题"_s, body("old"), body("old")}, {u"12"_s, u"解答题"_s, body("old"), body("old")}},
        {{u"13"_s, u"填空题"_s, body("old"), body("old")}}};
    explicit ComposedPaper(bool headers = true)
    {
        const QList<QStringList> bodies{{u"Q one"_s, u"Q two\nsecond line"_s}, {u"Q three"_s}};
        for (int k = 0; k < (headers ? 2 : 1); ++k) {
            if (headers) {
                appendSetHeader(docs.paperCaret, paperSetHeader(k + 1));
                appendSetHeader(docs.answerCaret, answerSetHeader(k + 1));
            }
            for (int i = 0; i < bodies[k].size(); ++i) {
                QByteArray text = bodies[k][i].toLatin1().replace("\n", "\\par ");
                appendItem(docs.paperCaret, paperItemLabel(i + 1), body(text.constData()));
                appendItem(docs.answerCaret, answerItemLabel(i + 1),
                           body(text.replace('Q', 'A').constData()));
            }
        }
        if (!headers)
            sets.pop_back();
    }
    // Replaces the first `what` in `doc` by `by`, as typed.
    static void edit(QTextDocument& doc, const QString& what, const QString& by)
    {
        QTextCursor c = doc.find(what);
        QVERIFY2(!c.isNull(), qPrintable(what));
        c.insertText(by);
    }
};

QString textOf(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toPlainText();
}

} // namespace

void ComposeTest::printedBodiesAreWhatTheDocumentsHold()
{
    // The teacher corrects a body in each document.
    ComposedPaper composed;
    ComposedPaper::edit(composed.docs.paper, u"Q two"_s, u"Q two corrected"_s);
    ComposedPaper::edit(composed.docs.answers, u"A three"_s, u"A three corrected"_s);
    std::vector<PaperSet> sets = composed.sets;
    QString problem;
    QVERIFY2(takeBodiesFromDocument(sets, composed.docs.paper, PaperLayout::Kind::Paper, true, &problem),
             qPrintable(problem));
    QCOMPARE(textOf(sets[0][0].content), u"Q one"_s);
    QCOMPARE(textOf(sets[0][1].content), u"Q two corrected\nsecond line"_s);
    QCOMPARE(textOf(sets[1][0].content), u"Q three"_s);
    QCOMPARE(textOf(sets[0][1].answer), u"old"_s); // the answers are the other document's
    QCOMPARE(sets[0][1].type, u"解答题"_s);
    QVERIFY2(takeBodiesFromDocument(sets, composed.docs.answers, PaperLayout::Kind::Answers, true, &problem),
             qPrintable(problem));
    QCOMPARE(textOf(sets[0][1].answer), u"A two\nsecond line"_s);
    QCOMPARE(textOf(sets[1][0].answer), u"A three corrected"_s);

    // The manual composer's paper has no set headers; blanks typed around a
    // label and brackets typed half-width still mark it.
    ComposedPaper manual(false);
    ComposedPaper::edit(manual.docs.paper, u"（2）"_s, u" (2) "_s);
    ComposedPaper::edit(manual.docs.paper, u"Q one"_s, u"Q one, and a new line"_s);
    sets = manual.sets;
    QVERIFY2(takeBodiesFromDocument(sets, manual.docs.paper, PaperLayout::Kind::Paper, false, &problem),
             qPrintable(problem));
    QCOMPARE(textOf(sets[0][0].content), u"Q one, and a new line"_s);
    QCOMPARE(textOf(sets[0][1].content), u"Q two\nsecond line"_s);

    // A set stopped at its first question left a header and nothing else.
    ComposedPaper stopped;
    appendSetHeader(stopped.docs.paperCaret, paperSetHeader(3));
    sets = stopped.sets;
    QVERIFY2(takeBodiesFromDocument(sets, stopped.docs.paper, PaperLayout::Kind::Paper, true, &problem),
             qPrintable(problem));
    QCOMPARE(textOf(sets[1][0].content), u"Q three"_s);
}

void ComposeTest::documentThatNoLongerMatchesSaysWhy_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("by");
    QTest::addColumn<QString>("problem");
    QTest::newRow("label deleted") << u"（2）"_s << QString() << u"试卷中找不到第1套的“（2）”"_s;
    QTest::newRow("label renumbered") << u"（2）"_s << u"（5）"_s << u"试卷中找不到第1套的“（2）”"_s;
    QTest::newRow("label joined to text") << u"（2）"_s << u"（2）Q new"_s << u"试卷中找不到第1套的“（2）”"_s;
    QTest::newRow("title typed above") << u"第（1）套试卷的题目"_s << u"期末考试\n第（1）套试卷的题目"_s
                                       << u"试卷中有不属于任何一题的文字“期末考试”"_s;
    QTest::newRow("question added") << u"Q three"_s << u"Q three\n（2）\nQ four"_s
                                    << u"试卷中多出第2套的“（2）”"_s;
    QTest::newRow("header deleted") << u"第（2）套试卷的题目"_s << QString() << u"试卷中多出第1套的“（1）”"_s;
}

void ComposeTest::documentThatNoLongerMatchesSaysWhy()
{
    QFETCH(QString, what);
    QFETCH(QString, by);
    QFETCH(QString, problem);
    ComposedPaper composed;
    QTextCursor c = composed.docs.paper.find(what);
    QVERIFY(!c.isNull());
    c.insertText(QString(by).replace(u'\n', QChar::ParagraphSeparator));
    std::vector<PaperSet> sets = composed.sets;
    QString said;
    QVERIFY(!takeBodiesFromDocument(sets, composed.docs.paper, PaperLayout::Kind::Paper, true, &said));
    QCOMPARE(said, problem);
    // Nothing is taken from a document that does not match.
    QCOMPARE(textOf(sets[0][0].content), u"old"_s);
}

QTEST_MAIN(ComposeTest)
#include "ComposeTest.moc"

void ComposeTest::runOfTheOtherWizardIsNotTakenOver()
{
    bank->addQuestion({.number = u"1"_s, .type = u"填空题"_s});
    BankStore store = bank->store();
    CompositionState state;
    CriteriaStep automatic(state);
    ManualCriteriaStep manual(state);
    state.startRun(2, CompositionWizard::Automatic);
    QCOMPARE(automatic.confirm({}, store), CriteriaStep::Outcome::Next);
    // The manual step 2 does not go on with an automatic run.
    QCOMPARE(manual.confirm({}, store), ManualCriteriaStep::Outcome::RunEnded);
    QCOMPARE(state.ManualQuestionNo, 0);
    QCOMPARE(manual.prompt(), u"这次手工组卷已结束，请从“手工组卷”重新开始…"_s);

    // A manual run starts: the automatic step stores nothing and says why.
    state.startRun(1, CompositionWizard::Manual);
    QCOMPARE(automatic.confirm({}, store), CriteriaStep::Outcome::RunEnded);
    QVERIFY(automatic.message(CriteriaStep::Outcome::RunEnded).startsWith(u"“手工组卷”已开始了新的组卷"_s));
    QCOMPARE(state.criteriaOf(1), std::optional(TableQuery{}));
    QCOMPARE(manual.confirm({}, store), ManualCriteriaStep::Outcome::Last);

    // A count reset to 0 (a paper finished) is no "no match" either.
    state.startRun(2);
    QCOMPARE(automatic.confirm({}, store), CriteriaStep::Outcome::Next);
    state.QuestionTotal = 0;
    QCOMPARE(automatic.confirm({}, store), CriteriaStep::Outcome::RunEnded);
    QVERIFY(automatic.message(CriteriaStep::Outcome::RunEnded).startsWith(u"这次组卷的题目总数已被清零"_s));
    // A new automatic run goes on at question 1.
    state.startRun(1, CompositionWizard::Automatic);
    QCOMPARE(automatic.confirm({}, store), CriteriaStep::Outcome::Last);
}

namespace {

QByteArray pictureRtf()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\pict\\pngblip\\picw8\\pich8 " + png.toHex() + "}";
}

// The pictures of `doc` whose image the document can still draw.
int drawablePictures(const QTextDocument& doc)
{
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat() &&
                doc.resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name())).isValid())
                ++n;
        }
    }
    return n;
}

} // namespace

void ComposeTest::itemsAreFoundMovedAndReplacedAroundTheTeachersEdits()
{
    using PaperItems::Item;
    QTextDocument doc;
    QTextCursor caret(&doc);
    appendItem(caret, u"（1）"_s, body("one"), 1);
    appendItem(caret, u"（2）"_s, QByteArray(), 2); // an empty body
    appendItem(caret, u"（3）"_s, "{\\rtf1\\ansi {\\b three}" + pictureRtf() + "\\par}", 3);
    QCOMPARE(doc.toPlainText(), u"（1）\none\n\n\n（2）\n\n\n\n（3）\nthree\uFFFC\n\n\n"_s);
    QCOMPARE(drawablePictures(doc), 1);

    // The teacher types a title above the paper and a note into question 1.
    QTextCursor typing(&doc);
    typing.insertText(u"期末考试"_s);
    typing.insertBlock();
    typing.setPosition(doc.find(u"one"_s).selectionEnd());
    typing.insertText(u"！"_s);
    QCOMPARE(PaperItems::itemAt(doc, doc.find(u"one"_s).position()), 1);
    QCOMPARE(PaperItems::itemAt(doc, doc.find(u"three"_s).position()), 3);

    // Question 3 to the top: the title stays, the picture and bold go along.
    QVERIFY(PaperItems::moveBefore(doc, {3, u"（3）"_s}, {1, u"（1）"_s}));
    QCOMPARE(doc.toPlainText(), u"期末考试\n（3）\nthree\uFFFC\n\n\n（1）\none！\n\n\n（2）\n\n\n\n"_s);
    QVERIFY(doc.find(u"three"_s).charFormat().fontWeight() >= QFont::Bold);
    QCOMPARE(drawablePictures(doc), 1);
    QVERIFY(!PaperItems::moveBefore(doc, {3, u"（3）"_s}, {2, u"（2）"_s})); // not in that order
    QVERIFY(PaperItems::relabel(doc, {3, u"（3）"_s}, u"（1）"_s));
    QVERIFY(PaperItems::relabel(doc, {1, u"（1）"_s}, u"（2）"_s));
    QCOMPARE(doc.toPlainText(), u"期末考试\n（1）\nthree\uFFFC\n\n\n（2）\none！\n\n\n（2）\n\n\n\n"_s);

    // The empty body of the last question takes a body; the rest stays.
    QVERIFY(PaperItems::replaceBody(doc, {2, u"（2）"_s}, body("two")));
    QCOMPARE(doc.toPlainText(), u"期末考试\n（1）\nthree\uFFFC\n\n\n（2）\none！\n\n\n（2）\ntwo\n\n\n"_s);
    // A replaced body is marked again: replaced once more, it goes whole.
    QVERIFY(PaperItems::replaceBody(doc, {2, u"（2）"_s}, body("deux")));
    QCOMPARE(
        PaperItems::find(doc, {2, u"（2）"_s}).bodyEnd - PaperItems::find(doc, {2, u"（2）"_s}).bodyStart, 4);

    // Removed: the item whole, with what was typed into it.
    QVERIFY(PaperItems::remove(doc, {1, u"（2）"_s}));
    QCOMPARE(doc.toPlainText(), u"期末考试\n（1）\nthree\uFFFC\n\n\n（2）\ndeux\n\n\n"_s);
    // A label the teacher deleted: the item is gone.
    QTextCursor label = doc.find(u"（2）"_s);
    label.removeSelectedText();
    QVERIFY(!PaperItems::find(doc, {2, u"（2）"_s}).found());
    QVERIFY(!PaperItems::replaceBody(doc, {2, u"（2）"_s}, body("x")));
    QVERIFY(!PaperItems::remove(doc, {2, u"（2）"_s}));
}

void ComposeTest::replacementIsAnotherCandidateNotInTheSet()
{
    for (const char* n : {"1", "2", "3"})
        bank->addQuestion({.number = QString::fromLatin1(n), .type = u"填空题"_s, .content = body(n)});
    Documents docs;
    // Question 1 is question 1; question 2 any: drawn from the second row on, 2.
    CompositionCriteria one;
    one.number = u"1"_s;
    std::vector<TableQuery> queries{TableQuery{}, candidateQuery(one), candidateQuery({})};
    PaperComposer composer = composerWith(scripted({0.0, 0.4, 0.0, 0.0, 0.0}));
    ComposedSet set = composer.composeSet(1, queries, docs.paperCaret, docs.answerCaret);
    QCOMPARE(set.numbers, (QStringList{u"1"_s, u"2"_s}));
    // The only candidate not in the set is 3, wherever the draw starts.
    QCOMPARE(composer.replaceQuestion(set, 2, queries[2]), QString());
    QCOMPARE(set.numbers, (QStringList{u"1"_s, u"3"_s}));
    QCOMPARE(set.questions[1].number, u"3"_s);
    QCOMPARE(composer.replaceQuestion(set, 2, queries[2]), QString());
    QCOMPARE(set.numbers, (QStringList{u"1"_s, u"2"_s}));
    QCOMPARE(composer.replaceQuestion(set, 1, queries[1]),
             u"第（1）题的组卷条件只有这一道题符合，没有别的题可换。"_s);
    QCOMPARE(set.numbers, (QStringList{u"1"_s, u"2"_s}));
    QCOMPARE(composer.replaceQuestion(set, 3, queries[2]), u"第（1）套试卷中没有第（3）题。"_s);
}

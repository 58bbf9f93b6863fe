// The classifications without windows: the grid model, the edits on the
// bank, and the two documents with their exact text.
#include "classify/ClassificationEdits.h"
#include "classify/ClassificationExport.h"
#include "classify/ClassificationGrid.h"
#include "rtf/RtfReader.h"
#include "SmallClassification.h"
#include "store/BankTables.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

QStringList storedPaths(const TestBank& bank)
{
    QStringList out;
    for (const KnowledgePath& p : bank.store().knowledgePaths())
        out << p.level1 + u'/' + p.level2 + u'/' + p.level3;
    return out;
}

QStringList storedTypes(const TestBank& bank)
{
    QStringList out;
    for (const QuestionType& t : bank.store().questionTypes())
        out << t.name;
    return out;
}

// The text and point size of every run of a block.
QList<QPair<QString, double>> runsOf(const QTextBlock& block)
{
    QList<QPair<QString, double>> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        runs.append({it.fragment().text(), it.fragment().charFormat().fontPointSize()});
    return runs;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class ClassificationLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void gridOfAnEmptyTableHasNoRowsAndNoColumns();
    void gridHoldsTheWholeTableInStoredOrder();
    void gridAsAModelKeepsRowAndColumnZeroAsHeaders();
    void addingTwiceGivesTwoRowsAndOneDeleteRemovesBoth();
    void namesWithQuotesAreAddedAndDeleted();
    void deletingEmptyNamesTakesRowsHoldingNull();
    void typesTwiceAreDeletedTogether();
    void renameChangesTableAndQuestionsTogetherOrNotAtAll();
    void knowledgePointDocumentText();
    void questionTypeDocumentText();
    void emptyTablesGiveTheTitleAndTwoEmptyLines();
    void numbersAndNamesCarryTheirFormats();
    void exportReplacesTheDocumentWithoutUndo();
    void savedFileReadsBackToTheSameText();
    void saveFailureLeavesTheOldFileWhole();
    void countersGoBeyondSixteenBits();
};

void ClassificationLogicTest::gridOfAnEmptyTableHasNoRowsAndNoColumns()
{
    TestBank bank;
    BankStore store = bank.store();
    ClassificationGrid grid;
    QVERIFY(!grid.refresh(store, BankTables::knowledgePoints, 4));
    QCOMPARE(grid.gridRows(), 0);
    QCOMPARE(grid.gridColumns(), 0);
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.columnCount(), 0);
    QCOMPARE(grid.cell(0, 0), QString());

    // A table that had rows and lost them empties the grid again.
    bank.addQuestionType(u"选择题"_s);
    QVERIFY(grid.refresh(store, BankTables::questionTypes, 2));
    QCOMPARE(grid.gridRows(), 2);
    store.deleteWhere({BankTables::questionTypes, {}, {}});
    QVERIFY(!grid.refresh(store, BankTables::questionTypes, 2));
    QCOMPARE(grid.gridRows(), 0);
    QCOMPARE(grid.gridColumns(), 0);
}

void ClassificationLogicTest::gridHoldsTheWholeTableInStoredOrder()
{
    TestBank bank;
    small::addKnowledgePaths(bank);
    BankStore store = bank.store();
    ClassificationGrid grid;
    QVERIFY(grid.refresh(store, BankTables::knowledgePoints, 4));
    QCOMPARE(grid.gridRows(), 8);
    QCOMPARE(grid.gridColumns(), 4);
    QCOMPARE(grid.gridRow(0), QStringList());
    QCOMPARE((QStringList{grid.cell(0, 0), grid.cell(0, 1), grid.cell(0, 2), grid.cell(0, 3)}),
             (QStringList{u"编号"_s, u"第一知识点"_s, u"第二知识点"_s, u"第三知识点"_s}));
    // Append order, duplicates included; identifiers as text.
    QCOMPARE(grid.gridRow(1), (QStringList{u"1"_s, u"数与代数"_s, u"有理数"_s, u"有理数的加法与减法"_s}));
    QCOMPARE(grid.gridRow(2), (QStringList{u"2"_s, u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s}));
    QCOMPARE(grid.gridRow(4), (QStringList{u"4"_s, u"统计与概率"_s, QString(), QString()}));
    QCOMPARE(grid.gridRow(5), (QStringList{u"5"_s} + grid.gridRow(2).mid(1)));
    QCOMPARE(grid.gridRow(7), (QStringList{u"7"_s, u"数与代数"_s, u"有理数"_s, u"绝对值"_s}));
    QCOMPARE(grid.cell(8, 0), QString());

    // Two columns of 题型表.
    small::addQuestionTypes(bank);
    QVERIFY(grid.refresh(store, BankTables::questionTypes, 2));
    QCOMPARE(grid.gridRows(), 6);
    QCOMPARE(grid.gridColumns(), 2);
    QCOMPARE(grid.cell(0, 1), u"题型"_s);
    QCOMPARE(grid.cell(5, 1), u"Tom's 探究题"_s);
}

void ClassificationLogicTest::gridAsAModelKeepsRowAndColumnZeroAsHeaders()
{
    ClassificationGrid grid;
    grid.load({u"编号"_s, u"题型"_s}, {{u"3"_s, u"选择题"_s}, {u"9"_s, u"填空题"_s}});
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(grid.columnCount(), 1);
    QCOMPARE(grid.cornerText(), u"编号"_s);
    QCOMPARE(grid.headerData(0, Qt::Horizontal).toString(), u"题型"_s);
    QCOMPARE(grid.headerData(1, Qt::Vertical).toString(), u"9"_s);
    QCOMPARE(grid.data(grid.index(1, 0)).toString(), u"填空题"_s);
    QCOMPARE(ClassificationGrid::gridRowOf(grid.index(1, 0)), 2);
    QCOMPARE(ClassificationGrid::gridRowOf(QModelIndex()), 0);
    // Shown only: nothing in it can be edited.
    QVERIFY(!(grid.flags(grid.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(grid.flags(grid.index(0, 0)) & Qt::ItemIsSelectable);
}

void ClassificationLogicTest::addingTwiceGivesTwoRowsAndOneDeleteRemovesBoth()
{
    TestBank bank;
    bank.addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
    BankStore store = bank.store();
    const KnowledgePath path{u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s};
    const qint64 first = addKnowledgePath(store, path);
    const qint64 second = addKnowledgePath(store, path);
    QVERIFY(first != second);
    QCOMPARE(bank.store().knowledgePaths().size(), size_t(3));

    QCOMPARE(deleteKnowledgePath(store, path), 2);
    QCOMPARE(storedPaths(bank), QStringList{u"数与代数/有理数/绝对值"_s});
    // A path that shares two of its names is a different path.
    QCOMPARE(deleteKnowledgePath(store, {u"数与代数"_s, u"有理数"_s, u"相反数"_s}), 0);
    QCOMPARE(storedPaths(bank).size(), 1);
}

void ClassificationLogicTest::namesWithQuotesAreAddedAndDeleted()
{
    TestBank bank;
    BankStore store = bank.store();
    const KnowledgePath quoted{u"O'Neil's 专题"_s, u"'"_s, u"x' or '1'='1"_s};
    addKnowledgePath(store, quoted);
    addKnowledgePath(store, {u"数与代数"_s, u"'"_s, u"x"_s});
    QCOMPARE(storedPaths(bank), (QStringList{u"O'Neil's 专题/'/x' or '1'='1"_s, u"数与代数/'/x"_s}));
    QCOMPARE(deleteKnowledgePath(store, quoted), 1);
    QCOMPARE(storedPaths(bank), QStringList{u"数与代数/'/x"_s});

    addQuestionType(store, u"Tom's 探究题"_s);
    QCOMPARE(storedTypes(bank), QStringList{u"Tom's 探究题"_s});
    QCOMPARE(deleteQuestionType(store, u"Tom's 探究题"_s), 1);
    QCOMPARE(storedTypes(bank), QStringList());
}

void ClassificationLogicTest::deletingEmptyNamesTakesRowsHoldingNull()
{
    // Another program may have left a name NULL; the grid shows it empty,
    // and deleting that grid row must take it.
    TestBank bank;
    BankStore store = bank.store();
    store.append(BankTables::knowledgePoints, {{KnowledgeColumns::level1, u"统计与概率"_s},
                                               {KnowledgeColumns::level2, QVariant()},
                                               {KnowledgeColumns::level3, QVariant()}});
    addKnowledgePath(store, {u"统计与概率"_s, QString(), QString()});
    addKnowledgePath(store, {u"统计与概率"_s, u"概率"_s, QString()});
    // Empty fields are stored as the empty text.
    const TableQuery nulls{BankTables::knowledgePoints, u"\"第三知识点\" IS NULL"_s, {}};
    QCOMPARE(store.count(nulls), 1);
    QCOMPARE(deleteKnowledgePath(store, {u"统计与概率"_s, QString(), QString()}), 2);
    QCOMPARE(storedPaths(bank), QStringList{u"统计与概率/概率/"_s});
    QCOMPARE(deleteKnowledgePath(store, {u"统计与概率"_s, u"概率"_s, u""_s}), 1);
}

void ClassificationLogicTest::typesTwiceAreDeletedTogether()
{
    TestBank bank;
    small::addQuestionTypes(bank);
    BankStore store = bank.store();
    QCOMPARE(deleteQuestionType(store, u"选择题"_s), 2);
    QCOMPARE(storedTypes(bank), (QStringList{u"填空题"_s, u"解答题"_s, u"Tom's 探究题"_s}));
    // Added last, listed last.
    addQuestionType(store, u"选择题"_s);
    QCOMPARE(storedTypes(bank).last(), u"选择题"_s);
}

void ClassificationLogicTest::renameChangesTableAndQuestionsTogetherOrNotAtAll()
{
    TestBank bank;
    bank.addKnowledgePath(u"数与代数"_s, u"Function"_s, u"一次函数"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"Function"_s, u"二次函数"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"Function"_s, u"一次函数"_s);
    bank.addQuestion({.knowledge2 = u"function"_s, .knowledge3 = u"一次函数"_s});
    bank.addQuestion(
        {.knowledge1 = u"图形与几何"_s, .knowledge2 = u"Function"_s, .knowledge3 = u"一次函数"_s});
    BankStore store = bank.store();

    // A level-3 point under its own parents only; names compare without case.
    const KnowledgePoint linear{3, u"一次函数"_s, {u"数与代数"_s, u"function"_s}};
    QCOMPARE(knowledgePointUse(store, linear), (RenameCount{1, 1}));
    // Without parents: every level-2 Function, under both level-1 names.
    const KnowledgePoint anyFunction{2, u"FUNCTION"_s, {}};
    QCOMPARE(knowledgePointUse(store, anyFunction), (RenameCount{3, 2}));

    // When the bank refuses the questions' part, the table's part is undone too.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"trigger"_s);
        db.setDatabaseName(bank.bankPath());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON \"数学题库\" "
                                   u"BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"trigger"_s);
    const QStringList before = storedPaths(bank);
    QVERIFY(storeErrorOf([&] {
                renameKnowledgePoint(store, linear, u"一次函数的图象"_s, true);
            }).text.contains(u"refused"_s));
    QCOMPARE(storedPaths(bank), before);
    // The table alone needs no question changed.
    QCOMPARE(renameKnowledgePoint(store, linear, u"一次函数的图象"_s, false), (RenameCount{1, 0}));
    QCOMPARE(storedPaths(bank).first(), u"数与代数/Function/一次函数的图象"_s);
    QCOMPARE(storedPaths(bank).last(), u"图形与几何/Function/一次函数"_s);

    bank.addQuestionType(u"判断题"_s);
    bank.addQuestionType(u"判断题"_s);
    QCOMPARE(questionTypeUse(store, u"判断题"_s), (RenameCount{2, 0}));
    QCOMPARE(renameQuestionType(store, u"判断题"_s, u"是非题"_s, true), (RenameCount{2, 0}));
    QCOMPARE(storedTypes(bank), (QStringList{u"是非题"_s, u"是非题"_s}));
    QVERIFY(storeErrorOf([&] { knowledgePointUse(store, {4, u"x"_s, {}}); }).number != 0);
}

void ClassificationLogicTest::knowledgePointDocumentText()
{
    TestBank bank;
    small::addKnowledgePaths(bank);
    BankStore store = bank.store();
    QTextDocument doc;
    const KnowledgePointCounts counts = exportKnowledgePoints(store, &doc);
    QCOMPARE(doc.toPlainText(), small::knowledgePointText());
    QCOMPARE(counts, (KnowledgePointCounts{4, 4, 5}));
}

void ClassificationLogicTest::questionTypeDocumentText()
{
    TestBank bank;
    small::addQuestionTypes(bank);
    BankStore store = bank.store();
    QTextDocument doc;
    QCOMPARE(exportQuestionTypes(store, &doc), 5);
    QCOMPARE(doc.toPlainText(), small::questionTypeText());
}

void ClassificationLogicTest::emptyTablesGiveTheTitleAndTwoEmptyLines()
{
    TestBank bank;
    BankStore store = bank.store();
    QTextDocument doc;
    QCOMPARE(exportKnowledgePoints(store, &doc), KnowledgePointCounts{});
    QCOMPARE(doc.toPlainText(), small::emptyKnowledgePointText());
    QCOMPARE(exportQuestionTypes(store, &doc), 0);
    QCOMPARE(doc.toPlainText(), small::emptyQuestionTypeText());
}

void ClassificationLogicTest::numbersAndNamesCarryTheirFormats()
{
    TestBank bank;
    small::addKnowledgePaths(bank);
    BankStore store = bank.store();
    QTextDocument doc;
    exportKnowledgePoints(store, &doc);

    QTextBlock b = doc.begin();
    QCOMPARE(runsOf(b), (QList<QPair<QString, double>>{{knowledgePointTitle(), 10.5}}));
    b = b.next().next().next();
    QCOMPARE(runsOf(b), (QList<QPair<QString, double>>{{u"｛1｝："_s, 10.5}, {u"实践与综合"_s, 9}}));
    b = b.next();
    QCOMPARE(runsOf(b), (QList<QPair<QString, double>>{{u"      ［1］："_s, 10.5}, {u"有理数"_s, 9}}));
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            QCOMPARE(it.fragment().charFormat().fontFamilies().toStringList(), QStringList{u"宋体"_s});
        // The empty lines are in the box's own format too.
        if (block.length() == 1)
            QCOMPARE(block.charFormat().fontPointSize(), 10.5);
    }
}

void ClassificationLogicTest::exportReplacesTheDocumentWithoutUndo()
{
    TestBank bank;
    small::addQuestionTypes(bank);
    BankStore store = bank.store();
    QTextDocument doc;
    QTextCursor(&doc).insertText(u"老师改过的文字\n第二行"_s);
    QVERIFY(doc.isUndoAvailable());
    exportQuestionTypes(store, &doc);
    QCOMPARE(doc.toPlainText(), small::questionTypeText());
    // As loading a document: no way back to a half-built one.
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(doc.isUndoRedoEnabled());

    // Pressed again, the export starts afresh and reads the bank anew.
    bank.addQuestionType(u"作图题"_s);
    exportQuestionTypes(store, &doc);
    QCOMPARE(doc.toPlainText(), small::questionTypeText() + u"（6）：作图题\n"_s);
}

void ClassificationLogicTest::savedFileReadsBackToTheSameText()
{
    TestBank bank;
    small::addKnowledgePaths(bank);
    BankStore store = bank.store();
    QTextDocument doc;
    exportKnowledgePoints(store, &doc);
    QTemporaryDir dir;
    // Exactly the name given: no extension added.
    const QString path = dir.filePath(u"知识点分类"_s);
    QString error;
    QVERIFY2(saveExportDocument(doc, path, &error), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"知识点分类"_s});
    const QByteArray rtf = readFile(path);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));

    QTextDocument back;
    RtfReader::read(rtf, &back);
    QCOMPARE(back.toPlainText(), small::knowledgePointText());
    // The names came back in 9 points, the numbers in 10.5.
    const QTextBlock line = back.findBlockByNumber(4);
    QCOMPARE(runsOf(line).size(), 2);
    QCOMPARE(runsOf(line).at(0).second, 10.5);
    QCOMPARE(runsOf(line).at(1), (QPair<QString, double>{u"有理数"_s, 9}));
}

void ClassificationLogicTest::saveFailureLeavesTheOldFileWhole()
{
    QTextDocument doc;
    writeQuestionTypeDocument(small::questionTypes(), &doc);
    QTemporaryDir dir;

    // No such folder.
    const QString nowhere = dir.filePath(u"没有的文件夹/题型"_s);
    QString error;
    QVERIFY(!saveExportDocument(doc, nowhere, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(nowhere)), qPrintable(error));
    QVERIFY(!QFile::exists(nowhere));

    // A file that exists and cannot be replaced: its name leaves no room for
    // the temporary file beside it (the name limit holds for every user).
    const QString longName = dir.filePath(QString(250, u'x'));
    {
        QFile f(longName);
        if (!f.open(QIODevice::WriteOnly))
            QSKIP("this file system does not take a 250-character name");
        f.write("old document");
    }
    error.clear();
    if (saveExportDocument(doc, longName, &error))
        QSKIP("this file system takes names beyond 255 characters");
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(longName), QByteArray("old document"));
}

void ClassificationLogicTest::countersGoBeyondSixteenBits()
{
    QStringList types;
    for (int i = 0; i < 32770; ++i)
        types << u"题型"_s + QString::number(i + 1);
    QTextDocument doc;
    QCOMPARE(writeQuestionTypeDocument(types, &doc), 32770);
    QCOMPARE(doc.findBlockByNumber(3 + 32769).text(), u"（32770）：题型32770"_s);

    std::vector<KnowledgePath> paths;
    for (int i = 0; i < 32770; ++i)
        paths.push_back({u"数与代数"_s, u"有理数"_s, u"第%1节"_s.arg(i + 1, 5, 10, QChar(u'0'))});
    QCOMPARE(writeKnowledgePointDocument(paths, &doc), (KnowledgePointCounts{1, 1, 32770}));
    QCOMPARE(doc.findBlockByNumber(5 + 32769).text(), u"            （32770）：第32770节"_s);
}

QTEST_MAIN(ClassificationLogicTest)
#include "ClassificationLogicTest.moc"

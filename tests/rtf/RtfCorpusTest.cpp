#include "DocumentDump.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;

// The conformance corpus: documents written by Word, WordPad/RichEdit,
// LibreOffice, TextEdit and others, some deliberately malformed.
//
// Each file's visible text is compared with rtf-corpus-expected/<file>.txt,
// made with LibreOffice and corrected where LibreOffice is wrong (a
// <file>.note.md beside it says why). The two readers lay text out
// differently (LibreOffice puts each table cell on a line of its own, we
// separate cells with tabs; list labels are followed by a tab or by spaces),
// so the comparison is on the sequence of words: the text between runs of
// white space, line and paragraph ends.
class RtfCorpusTest : public QObject
{
    Q_OBJECT

private slots:
    void visibleText_data();
    void visibleText();
    void roundTrip_data() { visibleText_data(); }
    void roundTrip();
    void probes_data();
    void probes();
};

void RtfCorpusTest::visibleText_data()
{
    QTest::addColumn<QString>("file");
    const QString root = rtftest::testDataPath(u"rtf-corpus"_s);
    QStringList files;
    QDirIterator it(root, {u"*.rtf"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(root.size() + 1);
    files.sort();
    QCOMPARE(files.size(), 79);
    for (const QString& f : files)
        QTest::newRow(qPrintable(f)) << f;
}

void RtfCorpusTest::visibleText()
{
    QFETCH(QString, file);
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf-corpus/"_s + file), &doc);
    const QStringList actual = rtftest::normalisedWords(rtf::visibleText(doc));
    const QString expectedPath = u"rtf-corpus-expected/"_s + file + u".txt"_s;
    QVERIFY2(QFile::exists(rtftest::testDataPath(expectedPath)), qPrintable(expectedPath));
    const QStringList expected =
        rtftest::normalisedWords(QString::fromUtf8(rtftest::readTestFile(expectedPath)));
    const qsizetype common = std::min(actual.size(), expected.size());
    for (qsizetype i = 0; i <= common; ++i) {
        if (i < common ? actual[i] == expected[i] : actual.size() == expected.size())
            continue;
        const qsizetype from = std::max<qsizetype>(0, i - 3);
        QFAIL(qPrintable(u"word %1 differs:\n   actual: ...%2\n expected: ...%3"_s.arg(i + 1).arg(
            actual.mid(from, 10).join(u' '), expected.mid(from, 10).join(u' '))));
    }
}

// Writing what was read and reading it again keeps the visible text, and
// writing that once more gives the same bytes.
void RtfCorpusTest::roundTrip()
{
    QFETCH(QString, file);
    const QString problem = rtftest::roundTripProblem(rtftest::readTestFile(u"rtf-corpus/"_s + file), true);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void RtfCorpusTest::probes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cp936 text") << u"striprtf/issue_28.rtf"_s << u"印刷情况反映"_s;
    QTest::newRow("Word cp936 document") << u"striprtf/issue_11.rtf"_s << u"测试"_s;
    QTest::newRow("GBK font under cp1252") << u"rtfpipe/RtfParserTest_8.rtf"_s << u"新功能"_s;
    QTest::newRow("raw GBK bytes and \\u") << u"rtfpipe/Issue23.rtf"_s << u"发热一日"_s;
    QTest::newRow("\\u Chinese") << u"rtfparserkit/testUnicode.rtf"_s << u"中国"_s;
    QTest::newRow("CJK extension A") << u"wpf-test/w11_w11_four.Unicode.edit.saved11.rtf"_s << u"㐀"_s;
    QTest::newRow("surrogate pair") << u"rtfjs/pile-of-poo/source.rtf"_s << u"💩"_s;
    QTest::newRow("Gothic surrogate pairs") << u"tika/testRTFUnicodeGothic.rtf"_s << u"𐌲𐌿𐍄𐌹𐍃𐌺"_s;
    QTest::newRow("cp932 trail 0x5c") << u"tika/testRTF-ms932.rtf"_s << u"こんにちは"_s;
    QTest::newRow("Japanese Word") << u"tika/testRTFJapanese.rtf"_s << u"ゾルゲの処刑記録"_s;
    QTest::newRow("cp932 document") << u"rtfjs/japanese-single-double-byte/source.rtf"_s << u"全角ひらがな"_s;
    QTest::newRow("cp932 pairs") << u"rtfparserkit/testMultiByteHex.rtf"_s << u"お元気ですか"_s;
    QTest::newRow("uc2 without doubling")
        << u"tika/testRTFUnicodeUCNControlWordCharacterDoubling.rtf"_s << u"年 abc 念"_s;
}

void RtfCorpusTest::probes()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf-corpus/"_s + file), &doc);
    const QString text = rtf::visibleText(doc);
    QVERIFY2(text.contains(expected), qPrintable(text.left(400)));
    if (file.contains(u"Doubling"_s)) {
        QVERIFY(!text.contains(u"年年"_s));
        QVERIFY(!text.contains(u"念念"_s));
    }
}

QTEST_MAIN(RtfCorpusTest)
#include "RtfCorpusTest.moc"

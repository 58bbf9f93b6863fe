#include "ui/RichTextBox.h"
#include "common/OrdinaryUser.h"
#include "RichTextSamples.h"
#include "ui/Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// "第一题 {\b x}=1", a paragraph break, "ét": Chinese in code page 936, a
// Unicode escape, and a bold run.
const QByteArray kQuestionRtf = QByteArrayLiteral(
    "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\n"
    "\\f0\\fs21 \\'b5\\'da\\'d2\\'bb\\'cc\\'e2 {\\b x}=1\\par\n"
    "\\u233?t}");
const QString kQuestionText = u"第一题 x=1\nét"_s;

// Fills the box's document directly: "前", the formatted run, "后".
void fillWithFormattedRun(RichTextBox& box, const QImage& image)
{
    QTextCursor c(box.document());
    c.insertText(u"前"_s);
    samples::insertFormattedRun(c, image);
    c.insertText(u"后"_s, QTextCharFormat());
}

void selectRange(RichTextBox& box, int start, int length)
{
    box.setSelStart(start);
    box.setSelLength(length);
}

QByteArray readFile(const QString& name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

// GotFocus and LostFocus of several boxes, in the order they come.
struct FocusLog
{
    QStringList events;
    void watch(RichTextBox* box, const QString& name)
    {
        QObject::connect(box, &RichTextBox::GotFocus, box, [this, name] { events << name + u" got"_s; });
        QObject::connect(box, &RichTextBox::LostFocus, box, [this, name] { events << name + u" lost"_s; });
    }
    QStringList take() { return std::exchange(events, {}); }
};

void selectEverythingOnGotFocus(RichTextBox* box)
{
    QObject::connect(box, &RichTextBox::GotFocus, box,
                     [box] { selectRange(*box, 0, int(box->Text().length())); });
}

bool activate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Every run of the document `rtf` holds, as "family size" with " bold" for a
// bold one, once each in order of appearance.
QStringList fontsOf(const QByteArray& rtf)
{
    RichTextBox probe;
    probe.setTextRTF(rtf);
    QStringList fonts;
    for (QTextBlock b = probe.document()->begin(); b.isValid(); b = b.next()) {
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QString font =
                f.fontFamilies().toStringList().value(0) + u' ' + QString::number(f.fontPointSize());
            if (f.fontWeight() >= QFont::Bold)
                font += u" bold"_s;
            if (!fonts.contains(font))
                fonts << font;
        }
    }
    return fonts;
}

bool writeFile(const QString& name, const QByteArray& data)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class RichTextBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void changeRaisedOncePerSetter();
    void changeRaisedOncePerUserEdit();
    void selectAllCoversTheWholeDocument_data();
    void selectAllCoversTheWholeDocument();
    void selectionSettersClampToTheText();
    void selTextReplacesTheSelection();
    void settersKeepUndoUsable();
    void scrollBarFollowsReplacedContent();
    void selRtfCarriesFormatsAndPictures();
    void clipboardMovesBetweenBoxesKeepFormatsAndPictures();
    void copyOffersRtfHtmlAndPlainText();
    void pasteTakesRtfFirst_data();
    void pasteTakesRtfFirst();
    void textRtfRoundTrip();
    void textRtfHeaderAndEmptyText();
    void saveFileWritesExactlyTheGivenName();
    void failedSaveKeepsTheOldFile();
    void saveIntoReadOnlyFolderFails();
    void mouseAndFocusEvents();
    void focusEventsOnlyForMovesBetweenControls();
    void windowActivationIsNoMove();
    void typedTextStartsFromTheBodyFormat();
};

void RichTextBoxTest::changeRaisedOncePerSetter()
{
    RichTextBox box;
    QSignalSpy change(&box, &RichTextBox::Change);

    box.setTextRTF(kQuestionRtf);
    QCOMPARE(change.count(), 1);

    // Replacing a document full of paragraphs, a table and a picture.
    QTextCursor c(box.document());
    samples::insertFormattedRun(c, samples::picture());
    c.insertTable(2, 2);
    const QByteArray rich = box.TextRTF();
    change.clear();
    box.setTextRTF(rich);
    QCOMPARE(change.count(), 1);

    change.clear();
    box.setTextRTF(QByteArray());
    QCOMPARE(change.count(), 1);
    change.clear();
    box.setTextRTF(QByteArray()); // nothing to replace: still one Change
    QCOMPARE(change.count(), 1);

    change.clear();
    box.setText(u"第一行\n第二行\n第三行"_s);
    QCOMPARE(change.count(), 1);
    change.clear();
    box.setText(QString());
    QCOMPARE(change.count(), 1);

    box.setText(u"abcdef"_s);
    change.clear();
    selectRange(box, 1, 3);
    QCOMPARE(change.count(), 0); // moving the selection is no change
    box.setSelText(u"x\ny\nz"_s);
    QCOMPARE(change.count(), 1);
    change.clear();
    box.setSelText(QString()); // empty selection, empty text
    QCOMPARE(change.count(), 1);

    change.clear();
    selectRange(box, 0, 2);
    box.setSelRTF(kQuestionRtf);
    QCOMPARE(change.count(), 1);
    change.clear();
    selectRange(box, 0, 2);
    box.setSelRTF(QByteArray());
    QCOMPARE(change.count(), 1);
}

void RichTextBoxTest::changeRaisedOncePerUserEdit()
{
    RichTextBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy change(&box, &RichTextBox::Change);

    QTest::keyClicks(&box, u"ab"_s);
    QCOMPARE(box.Text(), u"ab"_s);
    QCOMPARE(change.count(), 2); // one per keystroke

    change.clear();
    selectRange(box, 0, 2);
    QTest::keyClick(&box, Qt::Key_Z);
    QCOMPARE(box.Text(), u"z"_s);
    QCOMPARE(change.count(), 1); // replacing a selection by typing

    change.clear();
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(change.count(), 2);

    box.setText(u"剪切这里"_s);
    selectRange(box, 2, 2);
    change.clear();
    box.cut();
    QCOMPARE(box.Text(), u"剪切"_s);
    QCOMPARE(change.count(), 1);

    QApplication::clipboard()->setText(u"贴"_s);
    change.clear();
    box.paste();
    QCOMPARE(box.Text(), u"剪切贴"_s);
    QCOMPARE(change.count(), 1);

    change.clear();
    box.undo();
    QCOMPARE(change.count(), 1);
}

void RichTextBoxTest::selectAllCoversTheWholeDocument_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("expectedLength");
    QTest::newRow("empty box") << 0 << 0;
    QTest::newRow("paragraphs, emoji outside the BMP") << 1 << 10;
    QTest::newRow("table between paragraphs") << 2 << 9;
    QTest::newRow("table first, nothing after") << 3 << 3;
    QTest::newRow("formatted run with picture") << 4 << 12;
}

void RichTextBoxTest::selectAllCoversTheWholeDocument()
{
    QFETCH(int, kind);
    QFETCH(int, expectedLength);
    RichTextBox box;
    QTextCursor c(box.document());
    switch (kind) {
    case 1:
        box.setText(u"中文\n💩é\n\nab"_s);
        break;
    case 2: {
        c.insertText(u"题"_s);
        QTextTable* table = c.insertTable(2, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(u"甲"_s);
        table->cellAt(1, 1).firstCursorPosition().insertText(u"乙"_s);
        c.movePosition(QTextCursor::End);
        c.insertText(u"末"_s);
        break;
    }
    case 3:
        c.insertTable(1, 2);
        break;
    case 4:
        fillWithFormattedRun(box, samples::picture());
        break;
    default:
        break;
    }
    const QString text = box.Text();
    QCOMPARE(text.length(), expectedLength);

    // 全选: start 0, length = the length of the plain text.
    selectRange(box, 0, int(text.length()));
    QCOMPARE(box.SelStart(), 0);
    QCOMPARE(box.SelLength(), int(text.length()));
    QCOMPARE(box.SelText(), text);
    QVERIFY(box.textCursor().atEnd() || text.isEmpty());

    // ... then 删除: nothing may remain, not even an empty table.
    box.setSelText(QString());
    QCOMPARE(box.Text(), QString());
    QCOMPARE(box.document()->characterCount(), 1);
    QVERIFY(box.document()->rootFrame()->childFrames().isEmpty());
}

void RichTextBoxTest::selectionSettersClampToTheText()
{
    RichTextBox box;
    box.setText(u"中文💩é"_s); // 💩 is two UTF-16 units
    QCOMPARE(box.Text().length(), 5);

    box.setSelStart(100);
    QCOMPARE(box.SelStart(), 5);
    QCOMPARE(box.SelLength(), 0);
    box.setSelStart(-3);
    QCOMPARE(box.SelStart(), 0);

    box.setSelStart(1);
    box.setSelLength(100);
    QCOMPARE(box.SelStart(), 1);
    QCOMPARE(box.SelLength(), 4);
    QCOMPARE(box.SelText(), u"文💩é"_s);

    box.setSelLength(-1);
    QCOMPARE(box.SelStart(), 1);
    QCOMPARE(box.SelLength(), 0);

    // Setting the start collapses a selection, as in the windows' box.
    box.setSelLength(2);
    box.setSelStart(4);
    QCOMPARE(box.SelStart(), 4);
    QCOMPARE(box.SelLength(), 0);
    QCOMPARE(box.SelText(), QString());
}

void RichTextBoxTest::selTextReplacesTheSelection()
{
    RichTextBox box;
    box.setText(u"a\r\nb\rc"_s);
    QCOMPARE(box.Text(), u"a\nb\nc"_s); // every line end is one paragraph break

    box.setText(u"abcdef"_s);
    selectRange(box, 2, 2);
    QCOMPARE(box.SelText(), u"cd"_s);
    box.setSelText(u"XY\r\nZ"_s);
    QCOMPARE(box.Text(), u"abXY\nZef"_s);
    QCOMPARE(box.SelStart(), 6); // caret after the inserted text
    QCOMPARE(box.SelLength(), 0);

    box.setSelText(u"+"_s); // no selection: inserts at the caret
    QCOMPARE(box.Text(), u"abXY\nZ+ef"_s);

    selectRange(box, 0, 5);
    box.setSelText(QString()); // the empty text deletes the selection
    QCOMPARE(box.Text(), u"Z+ef"_s);
    QCOMPARE(box.SelStart(), 0);
}

void RichTextBoxTest::settersKeepUndoUsable()
{
    RichTextBox box;
    box.setText(u"abc"_s);
    box.setSelStart(3);
    QTest::keyClicks(&box, u"d"_s);
    QCOMPARE(box.Text(), u"abcd"_s);
    box.undo();
    QCOMPARE(box.Text(), u"abc"_s);
    box.undo(); // the set text is where the history starts
    QCOMPARE(box.Text(), u"abc"_s);

    // SelText and SelRTF are one undo step each.
    selectRange(box, 1, 1);
    box.setSelText(u"X\nY"_s);
    QCOMPARE(box.Text(), u"aX\nYc"_s);
    box.undo();
    QCOMPARE(box.Text(), u"abc"_s);
    box.redo();
    QCOMPARE(box.Text(), u"aX\nYc"_s);

    selectRange(box, 0, 1);
    box.setSelRTF(kQuestionRtf);
    QVERIFY(box.Text() != u"aX\nYc"_s);
    box.undo();
    QCOMPARE(box.Text(), u"aX\nYc"_s);

    // After a whole RTF document, typing is undone back to that document.
    box.setTextRTF(kQuestionRtf);
    const QString loaded = box.Text();
    box.setSelStart(int(loaded.length()));
    QTest::keyClicks(&box, u"q"_s);
    QCOMPARE(box.Text(), loaded + u"q"_s);
    box.undo();
    QCOMPARE(box.Text(), loaded);
    box.undo();
    QCOMPARE(box.Text(), loaded);
}

void RichTextBoxTest::scrollBarFollowsReplacedContent()
{
    // Replacing the content keeps a shown bar during the change only: it
    // ends shown exactly when the new text needs it.
    RichTextBox box;
    box.resize(200, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QString tall = QStringList(40, u"一行"_s).join(u'\n');
    box.setText(tall);
    QVERIFY(box.verticalScrollBar()->isVisible());
    box.setTextRTF(QByteArray());
    QVERIFY(!box.verticalScrollBar()->isVisible());
    QCOMPARE(box.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    box.setText(tall);
    box.setText(tall + u"\n最后"_s);
    QVERIFY(box.verticalScrollBar()->isVisible());
    QCOMPARE(box.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    box.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box.setText(u"短"_s);
    box.setText(tall);
    QCOMPARE(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(!box.verticalScrollBar()->isVisible());
}

void RichTextBoxTest::selRtfCarriesFormatsAndPictures()
{
    const QImage image = samples::picture();
    RichTextBox from;
    fillWithFormattedRun(from, image);
    selectRange(from, 1, 10);

    // Straight from box to box.
    RichTextBox to;
    to.setText(u"[]"_s);
    to.setSelStart(1);
    to.setSelRTF(from.SelRTF());
    QCOMPARE(to.Text(), u"[普通粗体斜体红字\uFFFC尾]"_s);
    QCOMPARE(samples::checkFormattedRun(*to.document(), 1, image), QString());

    // Through the clipboard, as the editing menu does it.
    Clipboard::Clear();
    Clipboard::SetText(from.SelRTF());
    RichTextBox viaClipboard;
    viaClipboard.setSelRTF(Clipboard::GetText());
    QCOMPARE(samples::checkFormattedRun(*viaClipboard.document(), 0, image), QString());

    // The whole document.
    RichTextBox whole;
    whole.setTextRTF(from.TextRTF());
    QCOMPARE(whole.Text(), from.Text());
    QCOMPARE(samples::checkFormattedRun(*whole.document(), 1, image), QString());
}

void RichTextBoxTest::clipboardMovesBetweenBoxesKeepFormatsAndPictures()
{
    const QImage image = samples::picture(20, 5);
    RichTextBox from;
    fillWithFormattedRun(from, image);
    RichTextBox to;
    to.setText(u"<>"_s);

    selectRange(from, 1, 10);
    from.copy();
    to.setSelStart(1);
    to.paste();
    QCOMPARE(to.Text(), u"<普通粗体斜体红字\uFFFC尾>"_s);
    QCOMPARE(samples::checkFormattedRun(*to.document(), 1, image), QString());

    // Cutting takes the run out of the first box; pasting it twice gives two
    // full copies with their own pictures.
    from.cut();
    QCOMPARE(from.Text(), u"前后"_s);
    RichTextBox twice;
    twice.paste();
    twice.paste();
    QCOMPARE(samples::checkFormattedRun(*twice.document(), 0, image), QString());
    QCOMPARE(samples::checkFormattedRun(*twice.document(), 10, image), QString());
}

void RichTextBoxTest::copyOffersRtfHtmlAndPlainText()
{
    RichTextBox box;
    fillWithFormattedRun(box, samples::picture());
    selectRange(box, 1, 10);
    box.copy();

    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->data(u"text/rtf"_s), box.SelRTF());
    QCOMPARE(mime->data(u"application/x-qt-windows-mime;value=\"Rich Text Format\""_s), box.SelRTF());
    QVERIFY(mime->data(u"text/rtf"_s).startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QVERIFY(mime->hasHtml());
    QVERIFY(mime->html().contains(u"粗体"_s));
    QCOMPARE(mime->text(), u"普通粗体斜体红字尾"_s); // no picture placeholder
    QCOMPARE(Clipboard::GetText(), box.SelRTF());
}

void RichTextBoxTest::pasteTakesRtfFirst_data()
{
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<bool>("expectBold");
    // "R" comes as bold RTF, "H" as bold HTML, "T" as plain text.
    QTest::newRow("text/rtf over html and text")
        << QStringList{u"text/rtf"_s, u"html"_s, u"text"_s} << u"R"_s << true;
    QTest::newRow("application/rtf") << QStringList{u"application/rtf"_s, u"text"_s} << u"R"_s << true;
    QTest::newRow("Word's Windows format")
        << QStringList{u"application/x-qt-windows-mime;value=\"Rich Text Format\""_s, u"html"_s, u"text"_s}
        << u"R"_s << true;
    QTest::newRow("text/richtext") << QStringList{u"text/richtext"_s, u"html"_s} << u"R"_s << true;
    QTest::newRow("html over text") << QStringList{u"html"_s, u"text"_s} << u"H"_s << true;
    QTest::newRow("picture over text") << QStringList{u"image"_s, u"text"_s} << u"\uFFFC"_s << false;
    QTest::newRow("plain text, Windows line ends") << QStringList{u"text"_s} << u"T\nU"_s << false;
}

void RichTextBoxTest::pasteTakesRtfFirst()
{
    QFETCH(QStringList, formats);
    QFETCH(QString, expectedText);
    QFETCH(bool, expectBold);
    const QImage image = samples::picture(3, 3);

    auto* mime = new QMimeData;
    for (const QString& f : formats) {
        if (f == u"html")
            mime->setHtml(u"<b>H</b>"_s);
        else if (f == u"text")
            mime->setText(u"T\r\nU"_s);
        else if (f == u"image")
            mime->setImageData(image);
        else
            mime->setData(f, QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg936{\\b R}}"));
    }
    QApplication::clipboard()->setMimeData(mime);

    RichTextBox box;
    box.paste();
    QCOMPARE(box.Text(), expectedText);
    QCOMPARE(samples::formatAt(*box.document(), 0).fontWeight() >= QFont::Bold, expectBold);
    if (expectedText == u"\uFFFC"_s)
        QVERIFY(samples::samePixels(samples::pictureAt(*box.document(), 0), image));
}

void RichTextBoxTest::textRtfRoundTrip()
{
    RichTextBox box;
    box.setTextRTF(kQuestionRtf);
    QCOMPARE(box.Text(), kQuestionText);
    QVERIFY(samples::formatAt(*box.document(), 4).fontWeight() >= QFont::Bold); // "x"

    // Set the RTF we got: the same bytes come back.
    const QByteArray first = box.TextRTF();
    RichTextBox again;
    again.setTextRTF(first);
    QCOMPARE(again.Text(), kQuestionText);
    QCOMPARE(again.TextRTF(), first);

    // The same with formats, a picture and a table.
    const QImage image = samples::picture();
    RichTextBox rich;
    fillWithFormattedRun(rich, image);
    QTextCursor c(rich.document());
    c.movePosition(QTextCursor::End);
    QTextTable* table = c.insertTable(1, 2);
    table->cellAt(0, 0).firstCursorPosition().insertText(u"甲"_s);
    table->cellAt(0, 1).firstCursorPosition().insertText(u"乙"_s);
    const QByteArray richRtf = rich.TextRTF();
    RichTextBox richAgain;
    richAgain.setTextRTF(richRtf);
    QCOMPARE(richAgain.Text(), rich.Text());
    QCOMPARE(samples::checkFormattedRun(*richAgain.document(), 1, image), QString());
    QCOMPARE(richAgain.TextRTF(), richRtf);
}

void RichTextBoxTest::textRtfHeaderAndEmptyText()
{
    RichTextBox box;
    box.setText(u"中文"_s);
    const QByteArray rtf = box.TextRTF();
    QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"), rtf.constData());
    QVERIFY2(rtf.contains("\\fcharset134"), rtf.constData());

    fillWithFormattedRun(box, samples::picture());
    box.setTextRTF(QByteArray());
    QCOMPARE(box.Text(), QString());
    QCOMPARE(box.document()->characterCount(), 1);
}

void RichTextBoxTest::saveFileWritesExactlyTheGivenName()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setTextRTF(kQuestionRtf);

    for (const QString& leaf : {u"第一卷"_s, u"答案.RTF.bak"_s}) {
        const QString name = dir.filePath(leaf);
        QString error;
        QVERIFY2(box.SaveFile(name, &error), qPrintable(error));
        QCOMPARE(readFile(name), box.TextRTF());
    }
    // No extension added and no temporary file left behind.
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    files.sort();
    QCOMPARE(files, (QStringList{u"第一卷"_s, u"答案.RTF.bak"_s}));

    // Replacing a longer file leaves nothing of it behind.
    const QString name = dir.filePath(u"第一卷"_s);
    QVERIFY(writeFile(name, QByteArray(10000, 'x')));
    QVERIFY(box.SaveFile(name));
    QCOMPARE(readFile(name), box.TextRTF());
}

void RichTextBoxTest::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setText(u"新内容"_s);
    QString error;

    // A folder under the name: refused, the folder and its file untouched.
    QVERIFY(QDir(dir.path()).mkdir(u"试卷"_s));
    const QString inside = dir.filePath(u"试卷/旧.rtf"_s);
    QVERIFY(writeFile(inside, "old"));
    QVERIFY(!box.SaveFile(dir.filePath(u"试卷"_s), &error));
    QVERIFY2(error.contains(u"试卷"_s), qPrintable(error));
    QCOMPARE(readFile(inside), QByteArray("old"));

    // A folder that does not exist.
    error.clear();
    QVERIFY(!box.SaveFile(dir.filePath(u"没有/卷.rtf"_s), &error));
    QVERIFY(!error.isEmpty());

    // The old file exists but the new one cannot be made beside it (the
    // temporary name would be longer than a file name may be): the old file
    // stays whole, even for a user whom permissions do not stop.
    const QString longName = dir.filePath(QString(250, u'a'));
    QVERIFY(writeFile(longName, "old paper"));
    error.clear();
    QVERIFY(!box.SaveFile(longName, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(longName), QByteArray("old paper"));
}

void RichTextBoxTest::saveIntoReadOnlyFolderFails()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"只读"_s);
    QVERIFY(QDir(dir.path()).mkdir(u"只读"_s));
    const QString name = folder + u"/试卷.rtf"_s;
    QVERIFY(writeFile(name, "old paper"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto restore = qScopeGuard(
        [&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
    OrdinaryUser user({dir.path(), folder, name});
    QVERIFY(!QFile(folder + u"/probe"_s).open(QIODevice::WriteOnly));

    RichTextBox box;
    box.setText(u"新内容"_s);
    QString error;
    QVERIFY(!box.SaveFile(name, &error));
    QVERIFY2(error.contains(u"试卷.rtf"_s), qPrintable(error));
    QCOMPARE(readFile(name), QByteArray("old paper"));
}

void RichTextBoxTest::mouseAndFocusEvents()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* box = new RichTextBox;
    auto* other = new QLineEdit;
    layout->addWidget(box);
    layout->addWidget(other);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy up(box, &RichTextBox::MouseUp);
    QSignalSpy dbl(box, &RichTextBox::DblClick);
    QSignalSpy got(box, &RichTextBox::GotFocus);

    QTest::mouseClick(box->viewport(), Qt::LeftButton);
    QTest::mouseClick(box->viewport(), Qt::RightButton);
    QTest::mouseClick(box->viewport(), Qt::MiddleButton);
    QCOMPARE(up.count(), 3);
    QCOMPARE(up.at(0).at(0).toInt(), 1);
    QCOMPARE(up.at(1).at(0).toInt(), 2);
    QCOMPARE(up.at(2).at(0).toInt(), 4);
    // The windows pop up their own menu on the right button; the box has none.
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    QTest::mouseDClick(box->viewport(), Qt::LeftButton);
    QCOMPARE(dbl.count(), 1);

    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    got.clear();
    box->SetFocus();
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(got.count(), 1);
}

// A pop-up menu over the box takes the keyboard and gives it back; the
// window's select-all on GotFocus must not run in between, or the menu's
// command would act on the whole box.
void RichTextBoxTest::focusEventsOnlyForMovesBetweenControls()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit;
    auto* box = new RichTextBox;
    auto* other = new RichTextBox;
    auto* after = new QLineEdit;
    for (QWidget* w : QList<QWidget*>{before, box, other, after})
        layout->addWidget(w);
    box->setText(u"abcdef"_s);
    other->setText(u"第二个框"_s);
    selectEverythingOnGotFocus(box);
    FocusLog log;
    log.watch(box, u"box"_s);
    log.watch(other, u"other"_s);
    QVERIFY(activate(window));
    before->setFocus();
    QTRY_VERIFY(before->hasFocus());
    log.take();

    QTest::keyClick(before, Qt::Key_Tab);
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(log.take(), QStringList{u"box got"_s});
    QCOMPARE(box->SelLength(), 6);
    selectRange(*box, 2, 2);

    QMenu menu(&window);
    QString actedOn;
    QObject::connect(menu.addAction(u"复制"_s), &QAction::triggered, box, [&] { actedOn = box->SelText(); });
    auto popUp = [&] {
        menu.popup(box->mapToGlobal(QPoint(10, 10)));
        return QTest::qWaitForWindowExposed(&menu) && QApplication::activePopupWidget() == &menu;
    };

    // Chosen from the keyboard: the command sees the partial selection.
    QVERIFY(popUp());
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Return);
    QTRY_COMPARE(actedOn, u"cd"_s);
    QVERIFY(!menu.isVisible());
    QVERIFY(box->hasFocus());
    QCOMPARE(log.take(), QStringList());

    // Dismissed with Escape.
    QVERIFY(popUp());
    QTest::keyClick(&menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu.isVisible());
    QVERIFY(box->hasFocus());
    QCOMPARE(log.take(), QStringList());
    QCOMPARE(box->SelText(), u"cd"_s);

    // Real moves: a click, SetFocus, leaving for a line edit, Backtab.
    QTest::mouseClick(other->viewport(), Qt::LeftButton);
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(log.take(), (QStringList{u"box lost"_s, u"other got"_s}));
    box->SetFocus();
    QCOMPARE(log.take(), (QStringList{u"other lost"_s, u"box got"_s}));
    after->setFocus();
    QCOMPARE(log.take(), QStringList{u"box lost"_s});
    QTest::keyClick(after, Qt::Key_Backtab);
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(log.take(), QStringList{u"other got"_s});
}

// Another window in front and back again is no move; a SetFocus made while
// the window was inactive is one, heard when the window comes back.
void RichTextBoxTest::windowActivationIsNoMove()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* box = new RichTextBox;
    auto* other = new RichTextBox;
    layout->addWidget(box);
    layout->addWidget(other);
    FocusLog log;
    log.watch(box, u"box"_s);
    log.watch(other, u"other"_s);
    QVERIFY(activate(window));
    box->SetFocus();
    QTRY_VERIFY(box->hasFocus());
    log.take();

    QLineEdit dialog;
    QVERIFY(activate(dialog));
    QVERIFY(!box->hasFocus());
    QVERIFY(activate(window));
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(log.take(), QStringList());

    QVERIFY(activate(dialog));
    other->SetFocus();
    QCOMPARE(log.take(), QStringList());
    QVERIFY(activate(window));
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(log.take(), (QStringList{u"box lost"_s, u"other got"_s}));
}

QTEST_MAIN(RichTextBoxTest)
#include "RichTextBoxTest.moc"

// Typed text where nothing precedes it is in the body format, 宋体 10.5 pt:
// in a box emptied by an edit or by loading an empty document, and over a
// selection of everything. RTF gives a paragraph mark without a size 12 pt,
// and a deleted run leaves its format behind; neither may reach the text.
void RichTextBoxTest::typedTextStartsFromTheBodyFormat()
{
    RichTextBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QStringList body{u"宋体 10.5"_s};
    // "small" in 9-point bold Arial inside a group: the paragraph mark after
    // it has RTF's own default size, 12 pt.
    const QByteArray small = QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 "
                                               "\\'cb\\'ce\\'cc\\'e5;}{\\f1\\fswiss Arial;}}"
                                               "{\\f1\\fs18\\b small}\\par}");
    box.setTextRTF(small);
    QCOMPARE(fontsOf(box.TextRTF()), QStringList{u"Arial 9 bold"_s});

    // Typing over everything: one edit, one undo step.
    QSignalSpy change(&box, &RichTextBox::Change);
    selectRange(box, 0, int(box.Text().length()));
    QTest::keyClick(&box, Qt::Key_N);
    QCOMPARE(change.count(), 1);
    QTest::keyClicks(&box, u"ew"_s);
    QCOMPARE(box.Text(), u"new"_s);
    QCOMPARE(fontsOf(box.TextRTF()), body);
    box.undo();
    box.undo();
    QCOMPARE(box.Text(), u"small"_s);
    QCOMPARE(fontsOf(box.TextRTF()), QStringList{u"Arial 9 bold"_s});

    // Emptied first, by the keyboard or by cutting, then typed into.
    for (const QKeyCombination& emptying :
         {QKeyCombination(Qt::Key_Backspace), QKeyCombination(Qt::ControlModifier, Qt::Key_X)}) {
        box.setTextRTF(small);
        selectRange(box, 0, int(box.Text().length()));
        QTest::keyClick(&box, emptying.key(), emptying.keyboardModifiers());
        QCOMPARE(box.Text(), QString());
        QTest::keyClicks(&box, u"x"_s);
        QCOMPARE(fontsOf(box.TextRTF()), body);
    }
    // An input method composing over everything, then committing.
    box.setTextRTF(small);
    selectRange(box, 0, int(box.Text().length()));
    QInputMethodEvent composing(u"ji"_s, {});
    QApplication::sendEvent(&box, &composing);
    QInputMethodEvent commit;
    commit.setCommitString(u"计"_s);
    QApplication::sendEvent(&box, &commit);
    QCOMPARE(box.Text(), u"计"_s);
    QCOMPARE(fontsOf(box.TextRTF()), body);
    // Emptied by replacing the selection with nothing.
    box.setTextRTF(small);
    selectRange(box, 0, int(box.Text().length()));
    box.setSelText(QString());
    QTest::keyClicks(&box, u"x"_s);
    QCOMPARE(fontsOf(box.TextRTF()), body);
    // An empty document whose paragraph mark has a size.
    box.setTextRTF("{\\rtf1\\ansi\\fs36\\par}");
    QTest::keyClicks(&box, u"x"_s);
    QCOMPARE(fontsOf(box.TextRTF()), body);

    // Typed after the run, the text goes on in the run's format, as in any
    // word processor; a format chosen in an empty box for what comes next
    // stays chosen.
    box.setTextRTF(small);
    box.setSelStart(5);
    QTest::keyClicks(&box, u"er"_s);
    QCOMPARE(fontsOf(box.TextRTF()), QStringList{u"Arial 9 bold"_s});
    box.setTextRTF({});
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    box.mergeCurrentCharFormat(bold);
    QTest::keyClicks(&box, u"b"_s);
    QCOMPARE(fontsOf(box.TextRTF()), QStringList{u"宋体 10.5 bold"_s});
}

// The rich-text editor with its formatting toolbar, driven through the
// toolbar as a teacher does; what it makes must survive as RTF.
#include "ui/RichTextEditor.h"
#include "common/TestBank.h"
#include "ui/RichTextBox.h"
#include "ui/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>

using Shown = ScriptedDialogs::Shown;

namespace {

QTextCharFormat formatAt(const RichTextBox* box, int position)
{
    QTextCursor c(box->document());
    c.setPosition(position);
    return c.charFormat();
}

// The box's document after a trip through RTF, as a stored question comes back.
std::unique_ptr<RichTextBox> reread(const RichTextBox* box)
{
    auto copy = std::make_unique<RichTextBox>();
    copy->setTextRTF(box->TextRTF());
    return copy;
}

} // namespace

class RichTextEditorTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<RichTextEditor> editor;
    std::unique_ptr<ScriptedDialogs> dialogs;

    RichTextBox* box() { return editor->box(); }
    void select(int start, int length)
    {
        box()->setSelStart(start);
        box()->setSelLength(length);
    }

private slots:
    void init()
    {
        dialogs = std::make_unique<ScriptedDialogs>();
        editor = std::make_unique<RichTextEditor>();
        editor->resize(700, 400);
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
        box()->setText(u"x2+y2=z2"_s);
    }

    void cleanup()
    {
        QVERIFY2(dialogs->allAnswered(), qPrintable(dialogs->unexpected().join(u'|')));
        editor.reset();
        dialogs.reset();
    }

    // Character formats apply to the selection only and come back from RTF.
    void characterFormatsOnTheSelection()
    {
        select(1, 1);
        editor->action(u"superscript"_s)->trigger();
        select(4, 1);
        editor->action(u"superscript"_s)->trigger();
        editor->action(u"subscript"_s)->trigger(); // one excludes the other
        QVERIFY(!editor->action(u"superscript"_s)->isChecked());
        select(0, 1);
        editor->action(u"italic"_s)->trigger();
        editor->action(u"underline"_s)->trigger();
        select(6, 2);
        editor->action(u"bold"_s)->trigger();
        editor->findChild<QMenu*>(u"colourMenu"_s)->actions().at(1)->trigger(); // 红色
        emit editor->fontBox()->textActivated(u"Noto Serif CJK SC"_s);
        // A size typed into the size box and Enter; the typing goes on in the document.
        // Typed as a teacher types: into the size box, which hands the keys to its line.
        QComboBox* size = editor->sizeBox();
        size->setFocus();
        size->lineEdit()->selectAll();
        QTest::keyClicks(size, u"16"_s);
        QTest::keyClick(size, Qt::Key_Return);
        QCOMPARE(editor->focusWidget(), box());

        const auto copy = reread(box());
        const RichTextBox* b = copy.get();
        QCOMPARE(formatAt(b, 2).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(formatAt(b, 5).verticalAlignment(), QTextCharFormat::AlignSubScript);
        QCOMPARE(formatAt(b, 4).verticalAlignment(), QTextCharFormat::AlignNormal);
        QVERIFY(formatAt(b, 1).fontItalic() && formatAt(b, 1).fontUnderline());
        QVERIFY(!formatAt(b, 2).fontItalic());
        QCOMPARE(formatAt(b, 8).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(b, 8).foreground().color(), QColor(Qt::red));
        QCOMPARE(formatAt(b, 8).fontPointSize(), 16.0);
        QCOMPARE(formatAt(b, 8).fontFamilies().toStringList().value(0), u"Noto Serif CJK SC"_s);
        QVERIFY(formatAt(b, 6).fontWeight() < QFont::Bold);

        // A size not in the list, and the size the box shows already, apply too.
        for (const QString& typed : {u"15"_s, u"15"_s, u"16"_s, u"16"_s}) {
            select(0, 1);
            size->setFocus();
            size->lineEdit()->selectAll();
            QTest::keyClicks(size, typed);
            QTest::keyClick(size, Qt::Key_Return);
            QCOMPARE(formatAt(box(), 1).fontPointSize(), typed.toDouble());
            select(0, 1);
            box()->mergeCurrentCharFormat([] {
                QTextCharFormat f;
                f.setFontPointSize(9);
                return f;
            }());
        }

        // The toolbar shows the format at the caret.
        select(7, 0);
        QVERIFY(editor->action(u"bold"_s)->isChecked());
        select(2, 0);
        QVERIFY(editor->action(u"superscript"_s)->isChecked());
        QVERIFY(!editor->action(u"bold"_s)->isChecked());
    }

    void alignmentUndoAndRedo()
    {
        editor->action(u"alignCenter"_s)->trigger();
        QCOMPARE(reread(box())->document()->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QVERIFY(editor->action(u"undo"_s)->isEnabled());
        editor->action(u"undo"_s)->trigger();
        QVERIFY(!(box()->alignment() & Qt::AlignHCenter));
        QVERIFY(editor->action(u"alignLeft"_s)->isChecked());
        editor->action(u"redo"_s)->trigger();
        QVERIFY(box()->alignment() & Qt::AlignHCenter);
        QVERIFY(editor->action(u"alignCenter"_s)->isChecked());
    }

    // Pictures come from PNG and JPEG files chosen in the file dialog and are
    // stored as what they are; anything else is refused with a message.
    void picturesFromFiles()
    {
        QTemporaryDir dir;
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString png = dir.filePath(u"图.png"_s);
        const QString jpeg = dir.filePath(u"photo.jpg"_s);
        const QString text = dir.filePath(u"note.png"_s);
        QVERIFY(image.save(png, "PNG") && image.save(jpeg, "JPEG"));
        QFile note(text);
        QVERIFY(note.open(QIODevice::WriteOnly) && note.write("not a picture") > 0);
        note.close();

        box()->setText(QString());
        dialogs->answerFile(png);
        dialogs->answerFile(jpeg);
        dialogs->answerFile(text);
        dialogs->answerFile(QString()); // cancelled
        for (int i = 0; i < 4; ++i)
            editor->action(u"insertPicture"_s)->trigger();

        QCOMPARE(box()->Text(), QString(2, QChar::ObjectReplacementCharacter));
        const QByteArray rtf = box()->TextRTF();
        QVERIFY(rtf.contains("\\pngblip") && rtf.contains("\\jpegblip"));
        QCOMPARE(reread(box())->Text(), box()->Text());
        QCOMPARE(dialogs->shown().size(), 5);
        QCOMPARE(dialogs->shown().at(0).kind, ScriptedDialogs::Kind::OpenFile);
        QVERIFY(dialogs->shown().at(3).text.contains(u"只能插入 PNG 或 JPEG 图片"_s));
    }
};

QTEST_MAIN(RichTextEditorTest)
#include "RichTextEditorTest.moc"

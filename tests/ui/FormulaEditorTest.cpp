// Formulas in the rich-text boxes, as a teacher makes them: Ctrl+M or the
// the preview follows the typing, 插入 puts the formula at the caret; Enter
// on a selected formula opens it again. (The 插入公式 button and the
// double-click are tested in the window that has them, 编辑题目.)
#include "ui/FormulaEditor.h"

#include "common/Accessibility.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaRenderer.h"
#include "rtf/RtfPictures.h"
#include "ui/RichTextBox.h"
#include "ui/ScriptedDialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using Shown = ScriptedDialogs::Shown;

namespace {

const QString kDoneWhen = u"\\frac{1}{2}x^2+\\sqrt{3}"_s;

// How sharp a drawing is: of the pixels with ink (darker than the paper),
// the share that is nearly black. A picture enlarged by the screen spreads
// each stroke over grey pixels.
double solidShare(const QImage& drawing)
{
    const QImage image = drawing.convertToFormat(QImage::Format_RGB32);
    qint64 ink = 0;
    qint64 solid = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            ink += grey < 200;
            solid += grey < 80;
        }
    }
    return ink > 0 ? double(solid) / double(ink) : 0;
}

// `formula` drawn `scale` times its display size, on white.
QImage onWhite(const Formula& formula, qreal scale)
{
    const QImage drawn = FormulaRenderer::draw(formula, scale);
    QImage image(drawn.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.drawImage(0, 0, drawn);
    return image;
}

QTextCharFormat formatAfter(const RichTextBox& box, int position)
{
    QTextCursor c(box.document());
    c.setPosition(position + 1);
    return c.charFormat();
}

// Types `latex` into the open editor of `box` and presses 插入.
void typeAndInsert(RichTextBox& box, const QString& latex)
{
    FormulaEditor* editor = box.formulaEditor();
    QVERIFY(editor);
    QVERIFY(editor->isVisible());
    editor->sourceEdit()->clear();
    QTest::keyClicks(editor->sourceEdit(), latex);
    QVERIFY2(editor->insertButton()->isEnabled(), qPrintable(editor->errorText()->text()));
    QTest::mouseClick(editor->insertButton(), Qt::LeftButton);
    QTRY_VERIFY(!box.formulaEditor());
}

} // namespace

class FormulaEditorTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs;

private slots:
    void init()
    {
        FormulaEngine::setScriptPath(QStringLiteral(TIKU_FORMULA_SCRIPT));
        dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup()
    {
        QVERIFY(dialogs->allAnswered());
        dialogs.reset();
    }

    void previewFollowsTheTypingAndErrorsBlockInsert()
    {
        FormulaEditor editor(10.5);
        editor.show();
        QCOMPARE(unnamedInputs(&editor), QStringList());
        QVERIFY(!editor.insertButton()->isEnabled());

        QTest::keyClicks(editor.sourceEdit(), kDoneWhen);
        QVERIFY(editor.formula().ok());
        QCOMPARE(editor.formula().source, kDoneWhen);
        QVERIFY(!editor.preview()->pixmap().isNull());
        const QSize shown = editor.preview()->pixmap().size();
        QVERIFY(editor.errorText()->text().isEmpty());
        QVERIFY(editor.insertButton()->isEnabled());

        // One keystroke more makes it wrong: the error shows, 插入 is off and
        // pressing it (or Enter) inserts nothing.
        QTest::keyClicks(editor.sourceEdit(), u"\\frac{"_s);
        QVERIFY(!editor.formula().ok());
        QVERIFY2(editor.errorText()->text().startsWith(u"公式有误："_s),
                 qPrintable(editor.errorText()->text()));
        QVERIFY(!editor.insertButton()->isEnabled());
        QTest::keyClick(editor.sourceEdit(), Qt::Key_Return);
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Rejected));

        // Taking it back brings the formula back.
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(editor.sourceEdit(), Qt::Key_Backspace);
        QVERIFY(editor.formula().ok());
        QVERIFY(editor.errorText()->text().isEmpty());
        QCOMPARE(editor.preview()->pixmap().size(), shown);
        QVERIFY(editor.insertButton()->isEnabled());

        if (const QByteArray dir = qgetenv("TIKU_SCREENSHOTS"); !dir.isEmpty())
            editor.grab().save(QString::fromLocal8Bit(dir) + u"/formula-editor.png"_s);

        // A paste of more than 1,000 characters is refused with a message.
        editor.sourceEdit()->selectAll();
        editor.sourceEdit()->insert(u"x+"_s.repeated(2000) + u"x"_s);
        QVERIFY2(editor.errorText()->text().contains(u"公式太长"_s), qPrintable(editor.errorText()->text()));
        QVERIFY(!editor.insertButton()->isEnabled());
    }

    void paletteTemplateGoesInAtTheCaret()
    {
        FormulaEditor editor(10.5);
        editor.show();
        QTest::keyClicks(editor.sourceEdit(), u"x="_s);
        // 分数 on the first page, 根号 after it, 方程组 further on.
        QToolButton* fraction = nullptr;
        QToolButton* system = nullptr;
        for (QToolButton* b : editor.palette()->findChildren<QToolButton*>()) {
            if (b->accessibleName() == u"分数")
                fraction = b;
            if (b->accessibleName() == u"方程组（两个方程）")
                system = b;
        }
        QVERIFY(fraction && system);
        QTest::mouseClick(fraction, Qt::LeftButton);
        QCOMPARE(editor.source(), u"x=\\frac{}{}"_s);
        QCOMPARE(editor.sourceEdit()->cursorPosition(), 8); // in the numerator
        QTest::keyClicks(editor.sourceEdit(), u"-b"_s);
        QCOMPARE(editor.source(), u"x=\\frac{-b}{}"_s);
        QVERIFY2(editor.formula().ok(), qPrintable(editor.formula().error));

        editor.sourceEdit()->clear();
        QTest::mouseClick(system, Qt::LeftButton);
        QTest::keyClicks(editor.sourceEdit(), u"x+y=3"_s);
        QCOMPARE(editor.source(), u"\\begin{cases} x+y=3 \\\\  \\end{cases}"_s);
        QVERIFY2(editor.formula().ok(), qPrintable(editor.formula().error));
        const qreal oneRow = editor.formula().size.height();
        editor.sourceEdit()->setCursorPosition(int(editor.source().indexOf(u"\\\\"_s)) + 3);
        QTest::keyClicks(editor.sourceEdit(), u"x-y=1"_s);
        QCOMPARE(editor.source(), u"\\begin{cases} x+y=3 \\\\ x-y=1 \\end{cases}"_s);
        QVERIFY(editor.formula().size.height() > 1.5 * oneRow);
        QVERIFY(editor.formula().depth > 0.5 * 10.5);
    }

    // Ctrl+M in a box of the program, the editor, 插入: the formula is at the
    // caret, a picture three times its size that carries its source.
    void ctrlMInsertsAtTheCaret()
    {
        RichTextBox box;
        box.resize(500, 200);
        box.show();
        box.setText(u"面积为。"_s);
        box.setSelStart(3);
        int changes = 0;
        connect(&box, &RichTextBox::Change, [&changes] { ++changes; });
        QTest::keyClick(&box, Qt::Key_M, Qt::ControlModifier);
        typeAndInsert(box, kDoneWhen);

        QCOMPARE(box.Text(), u"面积为\uFFFC。"_s);
        QCOMPARE(changes, 1);
        QCOMPARE(box.SelStart(), 4);
        const QTextCharFormat f = formatAfter(box, 3);
        QVERIFY(f.isImageFormat());
        QCOMPARE(f.property(rtf::FormulaSource).toString(), kDoneWhen);
        QVERIFY(f.property(rtf::FormulaDepth).toReal() > 5);
        const QTextImageFormat image = f.toImageFormat();
        const QImage png = QImage::fromData(f.property(rtf::PictureData).toByteArray(), "PNG");
        QCOMPARE(png.width(), int(std::ceil(image.width() * 3)));
        // Sized to the box's 10.5 pt: a stacked fraction is about two lines high.
        QVERIFY(image.height() > 20 && image.height() < 40);

        if (const QByteArray dir = qgetenv("TIKU_SCREENSHOTS"); !dir.isEmpty())
            box.grab().save(QString::fromLocal8Bit(dir) + u"/formula-in-box.png"_s);

        // Stored as RTF, it comes back as a picture of the same size.
        RichTextBox stored;
        stored.setTextRTF(box.TextRTF());
        QCOMPARE(stored.Text(), box.Text());
        const QTextImageFormat back = formatAfter(stored, 3).toImageFormat();
        QVERIFY(qAbs(back.width() - image.width()) < 0.1 && qAbs(back.height() - image.height()) < 0.1);
        QCOMPARE(QImage::fromData(back.property(rtf::PictureData).toByteArray()).size(), png.size());

        // One undo step takes it out again.
        box.undo();
        QCOMPARE(box.Text(), u"面积为。"_s);
    }

    void formulaTakesTheSizeOfTheTextAtTheCaret()
    {
        RichTextBox box;
        box.show();
        QTextCharFormat big;
        big.setFontPointSize(21);
        QTextCursor c = box.textCursor();
        c.insertText(u"大字"_s, big);
        box.setTextCursor(c);
        QTest::keyClick(&box, Qt::Key_M, Qt::ControlModifier);
        typeAndInsert(box, u"x^2"_s);
        RichTextBox small;
        small.show();
        small.setText(u"小字"_s);
        small.setSelStart(2);
        QTest::keyClick(&small, Qt::Key_M, Qt::ControlModifier);
        typeAndInsert(small, u"x^2"_s);
        const qreal bigWidth = formatAfter(box, 2).toImageFormat().width();
        const qreal smallWidth = formatAfter(small, 2).toImageFormat().width();
        QVERIFY2(qAbs(bigWidth - 2 * smallWidth) < 0.1, qPrintable(u"%1 %2"_s.arg(bigWidth).arg(smallWidth)));
    }

    void readOnlyBoxTakesNoFormula()
    {
        RichTextBox box;
        box.show();
        box.setText(u"只读"_s);
        box.setReadOnly(true);
        QTest::keyClick(&box, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!box.formulaEditor());
        QCOMPARE(box.Text(), u"只读"_s);
    }

    void enterOnSelectedFormulaEditsIt()
    {
        RichTextBox box;
        box.show();
        box.setText(u"解：。"_s);
        box.setSelStart(2);
        QTest::keyClick(&box, Qt::Key_M, Qt::ControlModifier);
        typeAndInsert(box, u"x=1"_s);
        // Enter without a formula selected is a new paragraph as ever.
        box.setSelStart(0);
        box.setSelLength(1);
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(!box.formulaEditor());
        QCOMPARE(box.Text(), u"\n：\uFFFC。"_s);

        box.setSelStart(2);
        box.setSelLength(1);
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(box.formulaEditor());
        QCOMPARE(box.formulaEditor()->source(), u"x=1"_s);
        typeAndInsert(box, u"x=\\pm 1"_s);
        QCOMPARE(box.Text(), u"\n：\uFFFC。"_s);
        QCOMPARE(formatAfter(box, 2).property(rtf::FormulaSource).toString(), u"x=\\pm 1"_s);

        // Cancel leaves it as it was.
        box.setSelStart(2);
        box.setSelLength(1);
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(box.formulaEditor());
        box.formulaEditor()->sourceEdit()->setText(u"y"_s);
        box.formulaEditor()->reject();
        QTRY_VERIFY(!box.formulaEditor());
        QCOMPARE(formatAfter(box, 2).property(rtf::FormulaSource).toString(), u"x=\\pm 1"_s);
    }

    // On a screen at 200 % formulas are drawn for its pixel ratio, in the
    // box and in the editor's preview: their strokes are as sharp as the
    // formula drawn directly at twice the size, not a picture of the shown
    // size enlarged. The screen's ratio is fixed when a program starts, so
    // the test runs itself again on such a screen.
    void formulasAreSharpAtTwiceThePixelRatio()
    {
        if (qApp->devicePixelRatio() < 2) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"QT_SCALE_FACTOR"_s, u"2"_s);
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {u"formulasAreSharpAtTwiceThePixelRatio"_s});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     child.readAllStandardOutput().constData());
            return;
        }
        // A formula that reaches below the baseline and one that does not
        // (each is placed by its own path).
        const QStringList sources{kDoneWhen, u"12"_s};
        for (const QString& source : sources) {
            RichTextBox box;
            box.resize(360, 120);
            box.setCursorWidth(0);
            box.show();
            QTest::keyClick(&box, Qt::Key_M, Qt::ControlModifier);
            FormulaEditor* editor = box.formulaEditor();
            QVERIFY(editor);
            QTest::keyClicks(editor->sourceEdit(), source);
            const Formula formula = editor->formula();
            QVERIFY2(formula.ok(), qPrintable(formula.error));
            QCOMPARE(formula.depth > 0, source == kDoneWhen);

            // The preview: a picture with the screen's ratio, as sharp as the formula drawn at its size.
            const QPixmap preview = editor->preview()->pixmap();
            QCOMPARE(preview.devicePixelRatio(), 2.0);
            const qreal previewScale = preview.deviceIndependentSize().width() / formula.size.width();
            const double ideal = solidShare(onWhite(formula, 2 * previewScale));
            // Inside the label's frame.
            const QRect inside = editor->preview()->contentsRect().adjusted(2, 2, -2, -2);
            const QImage previewShown = editor->preview()->grab(inside).toImage();
            QVERIFY2(solidShare(previewShown) > 0.85 * ideal,
                     qPrintable(
                         u"%1: preview %2, ideal %3"_s.arg(source).arg(solidShare(previewShown)).arg(ideal)));

            QTest::mouseClick(editor->insertButton(), Qt::LeftButton);
            QTRY_VERIFY(!box.formulaEditor());
            const QImage shown = box.viewport()->grab().toImage();
            QCOMPARE(shown.devicePixelRatio(), 2.0);
            const double sharp = solidShare(onWhite(formula, 2));
            // What a picture of the shown size enlarged twice would give.
            const double enlarged = solidShare(
                onWhite(formula, 1)
                    .scaled(onWhite(formula, 2).size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            QVERIFY2(enlarged < 0.85 * sharp, qPrintable(u"%1 %2"_s.arg(enlarged).arg(sharp)));
            QVERIFY2(solidShare(shown) > 0.85 * sharp,
                     qPrintable(u"%1: box %2, sharp %3, enlarged %4"_s.arg(source)
                                    .arg(solidShare(shown))
                                    .arg(sharp)
                                    .arg(enlarged)));
            if (const QByteArray dir = qgetenv("TIKU_SCREENSHOTS"); !dir.isEmpty())
                shown.save(QString::fromLocal8Bit(dir) +
                           u"/formula-at-200-percent-%1.png"_s.arg(sources.indexOf(source) + 1));
        }
    }

    void missingEngineIsReportedWhenAFormulaIsAskedFor()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"formula-engine.js"_s);
        FormulaEngine::setScriptPath(path);
        RichTextBox box;
        box.show();
        box.setText(u"ab"_s);
        box.setSelStart(1);
        QTest::keyClick(&box, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!box.formulaEditor());
        QCOMPARE(dialogs->shown().size(), 1);
        const Shown& shown = dialogs->shown().first();
        QCOMPARE(shown.title, u"公式"_s);
        QVERIFY2(shown.text.startsWith(u"找不到公式排版程序“%1”"_s.arg(QDir::toNativeSeparators(path))),
                 qPrintable(shown.text));
        QCOMPARE(shown.icon, Dialogs::Icon::Warning);
        // The box works on.
        QTest::keyClicks(&box, u"c"_s);
        QCOMPARE(box.Text(), u"acb"_s);
    }
};

QTEST_MAIN(FormulaEditorTest)
#include "FormulaEditorTest.moc"

// Formulas in 编辑题目 (bjtm), as a teacher makes and mends them: 插入公式 on
// the toolbar, then a double-click on the formula to change it. The window
// stays open for editing while the formula editor is in front.
#include "questions/bjtm.h"

#include "formula/FormulaEngine.h"
#include "rtf/RtfPictures.h"
#include "ui/FormulaEditor.h"
#include "ui/RichTextBox.h"
#include "ui/RichTextEditor.h"
#include "ui/ScriptedDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

QString sourceAt(const RichTextBox* box, int position)
{
    QTextCursor c(box->document());
    c.setPosition(position + 1);
    return c.charFormat().property(rtf::FormulaSource).toString();
}

// Where a teacher double-clicks to reach the picture at `position`.
QPoint middleOf(RichTextBox* box, int position)
{
    QTextCursor c(box->document());
    c.setPosition(position);
    const QRect before = box->cursorRect(c);
    c.setPosition(position + 1);
    const QRect after = box->cursorRect(c);
    return QPoint((before.left() + after.left()) / 2, before.center().y());
}

void typeAndInsert(RichTextBox* box, const QString& latex)
{
    FormulaEditor* editor = box->formulaEditor();
    QVERIFY(editor);
    editor->sourceEdit()->selectAll();
    QTest::keyClicks(editor->sourceEdit(), latex);
    QVERIFY2(editor->insertButton()->isEnabled(), qPrintable(editor->errorText()->text()));
    QTest::mouseClick(editor->insertButton(), Qt::LeftButton);
    QTRY_VERIFY(!box->formulaEditor());
}

} // namespace

class BjtmFormulaTest : public QObject
{
    Q_OBJECT

private slots:
    void insertThenChangeByDoubleClick()
    {
        FormulaEngine::setScriptPath(QStringLiteral(TIKU_FORMULA_SCRIPT));
        ScriptedDialogs dialogs;
        bjtm window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        RichTextBox* box = window.Document1->box();
        QTest::mouseClick(window.Command1, Qt::LeftButton); // 编  辑
        box->setSelText(u"化简："_s);                       // typed

        QAction* insert = window.Document1->action(u"insertFormula"_s);
        QVERIFY(insert);
        QCOMPARE(insert->text(), u"插入公式"_s);
        QTest::mouseClick(window.Document1->toolBar()->widgetForAction(insert), Qt::LeftButton);
        typeAndInsert(box, u"\\frac{1}{2}x^2+\\sqrt{3}"_s);
        QVERIFY(window.isVisible());
        QCOMPARE(box->Text(), u"化简：\uFFFC"_s);
        QCOMPARE(sourceAt(box, 3), u"\\frac{1}{2}x^2+\\sqrt{3}"_s);

        if (const QByteArray dir = qgetenv("TIKU_SCREENSHOTS"); !dir.isEmpty())
            window.grab().save(QString::fromLocal8Bit(dir) + u"/bjtm-formula.png"_s);

        QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, middleOf(box, 3));
        QVERIFY(box->formulaEditor());
        QCOMPARE(box->formulaEditor()->source(), u"\\frac{1}{2}x^2+\\sqrt{3}"_s);
        QCOMPARE(box->formulaEditor()->insertButton()->text(), u"替换"_s);
        if (const QByteArray dir = qgetenv("TIKU_SCREENSHOTS"); !dir.isEmpty())
            box->formulaEditor()->grab().save(QString::fromLocal8Bit(dir) + u"/bjtm-formula-editor.png"_s);
        typeAndInsert(box, u"\\frac{1}{3}x^2"_s);
        QVERIFY(window.isVisible());
        QCOMPARE(box->Text(), u"化简：\uFFFC"_s);
        QCOMPARE(sourceAt(box, 3), u"\\frac{1}{3}x^2"_s);

        // A double-click on the text selects a word as ever.
        QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, middleOf(box, 0));
        QVERIFY(!box->formulaEditor());

        // A new size for all the text: the formula grows with it, and one
        // undo takes both back.
        const auto heightAt = [box](int position) {
            QTextCursor c(box->document());
            c.setPosition(position + 1);
            return c.charFormat().toImageFormat().height();
        };
        const qreal before = heightAt(3);
        box->selectAll();
        // Typed as a teacher types: into the size box, which hands the keys to its line.
        QComboBox* size = window.Document1->sizeBox();
        size->lineEdit()->selectAll();
        QTest::keyClicks(size, u"21"_s);
        QTest::keyClick(size, Qt::Key_Return);
        QVERIFY2(qAbs(heightAt(3) / before - 2.0) < 0.2,
                 qPrintable(u"%1 -> %2"_s.arg(before).arg(heightAt(3))));
        QCOMPARE(sourceAt(box, 3), u"\\frac{1}{3}x^2"_s);
        QVERIFY(box->TextRTF().contains("\\fs42"));
        box->document()->undo();
        QCOMPARE(heightAt(3), before);
        QVERIFY(!box->TextRTF().contains("\\fs42"));
        QVERIFY(dialogs.allAnswered());
        QVERIFY(dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(BjtmFormulaTest)
#include "BjtmFormulaTest.moc"

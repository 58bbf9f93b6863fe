// The question form shared by the entry, modification and search windows,
// driven by the keyboard and the mouse.
#include "questions/QuestionForm.h"
#include "common/Accessibility.h"
#include "common/TestBank.h"
#include "ui/Clipboard.h"
#include "ui/RichTextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class QuestionFormTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void enterMovesAlongTheFieldsAndSelects();
    void recordRoundTripAndClear();
    void doubleClickPastesTheClipboardsRtf();

private:
    bool focusOn(QWidget* w)
    {
        w->setFocus(Qt::MouseFocusReason);
        const bool got =
            QTest::qWaitFor([w] { return w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()); });
        QCoreApplication::processEvents(); // the selection follows the focus event
        return got;
    }
    QWidget window_;
    QuestionForm* form_ = nullptr;
};

void QuestionFormTest::init()
{
    delete form_;
    form_ = new QuestionForm(QuestionForm::entryLabels(), &window_);
    window_.resize(900, 500);
    form_->resize(900, 500);
    window_.show();
    QApplication::setActiveWindow(&window_);
    QVERIFY(QTest::qWaitForWindowActive(&window_));
}

void QuestionFormTest::enterMovesAlongTheFieldsAndSelects()
{
    QCOMPARE(unnamedInputs(&window_), QStringList());
    form_->Combo1->addItems({u"选择题"_s, u"填空题"_s});
    form_->Combo3->setEditText(u"否"_s);
    form_->Text7->setText(u"2026-09-01"_s);
    form_->RichTextBox1->setText(u"原有内容"_s);

    QVERIFY(focusOn(form_->Text6));
    QVERIFY(focusOn(form_->Combo1));
    QTest::keyClicks(QApplication::focusWidget(), u"T9"_s);
    const QList<QWidget*> chain = form_->enterChain();
    for (qsizetype i = 1; i < chain.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QWidget* w = chain[i];
        QVERIFY2(
            QTest::qWaitFor([w] { return w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()); }),
            qPrintable(w->objectName()));
        QCoreApplication::processEvents();
        if (w == form_->Text7)
            QCOMPARE(form_->Text7->selectedText(), u"2026-09-01"_s);
        if (w == form_->Combo3)
            QVERIFY(!form_->Combo3->lineEdit()->hasSelectedText());
    }
    // Typing replaced the selected text; Enter neither added it to the list nor lost it.
    QCOMPARE(form_->Combo1->count(), 2);
    QCOMPARE(form_->Combo1->currentText(), u"T9"_s);
    // The chain ends in the content box, with its whole text selected.
    QVERIFY(form_->RichTextBox1->hasFocus());
    QCOMPARE(form_->RichTextBox1->SelText(), u"原有内容"_s);
    QTest::keyClicks(form_->RichTextBox1, u"xy"_s);
    QCOMPARE(form_->RichTextBox1->Text(), u"xy"_s);
}

void QuestionFormTest::recordRoundTripAndClear()
{
    TestBank bank;
    bank.addQuestionType(u"解答题"_s);
    bank.addQuestionType(u"解答题"_s); // listed twice, as stored
    bank.addQuestionType(u"选择题"_s);
    BankStore store = bank.store();
    form_->loadTypes(store);
    QCOMPARE(form_->Combo1->count(), 3);
    QCOMPARE(form_->Combo1->itemText(2), u"选择题"_s);

    RichTextBox source;
    source.setText(u"已知 x 的平方等于 4"_s);
    QuestionRecord q{u"12"_s, u"解答题"_s,      {u"数与代数"_s, u"方程"_s, u"一元二次方程"_s},
                     u"C"_s,  source.TextRTF(), source.TextRTF(),
                     u"是"_s, u"O'Brien"_s,     u"九月一日"_s};
    form_->showRecord(q);
    QCOMPARE(form_->record(), q);
    QCOMPARE(form_->filter(), QuestionFilter::of(q));
    form_->clear();
    const QuestionRecord empty{.content = form_->RichTextBox1->TextRTF(),
                               .answer = form_->RichTextBox2->TextRTF()};
    QCOMPARE(form_->record(), empty);
    QVERIFY(form_->RichTextBox1->Text().isEmpty());
}

void QuestionFormTest::doubleClickPastesTheClipboardsRtf()
{
    RichTextBox source;
    source.setText(u"剪切来的内容"_s);
    Clipboard::SetText(source.TextRTF());
    form_->RichTextBox1->setText(u"旧内容"_s);
    QTest::mouseDClick(form_->RichTextBox1->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(form_->RichTextBox1->Text(), u"剪切来的内容"_s);
    QVERIFY(Clipboard::GetText().isEmpty());

    // Nothing or plain text alone is no content to paste back: the box
    // keeps what was typed, and the clipboard its text.
    form_->RichTextBox1->setText(u"刚打的字"_s);
    QTest::mouseDClick(form_->RichTextBox1->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(form_->RichTextBox1->Text(), u"刚打的字"_s);
    QApplication::clipboard()->setText(u"纯文本"_s);
    QTest::mouseDClick(form_->RichTextBox1->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(form_->RichTextBox1->Text(), u"刚打的字"_s);
    QCOMPARE(QApplication::clipboard()->text(), u"纯文本"_s);
}

QTEST_MAIN(QuestionFormTest)
#include "QuestionFormTest.moc"

// The question entry window 添加题目 and its companion editor 编辑题目, opened
// from the main window's menu and driven as a teacher drives them.
#include "app/MDIForm1.h"
#include "common/Accessibility.h"
#include "common/TestBank.h"
#include "questions/bjtm.h"
#include "questions/frmadd.h"
#include "questions/KnowledgeTreePicker.h"
#include "questions/QuestionForm.h"
#include "store/CurrentUser.h"
#include "ui/ChildWindows.h"
#include "ui/Clipboard.h"
#include "ui/EditTargets.h"
#include "ui/RichTextBox.h"
#include "ui/RichTextEditor.h"
#include "ui/ScriptedDialogs.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

using Shown = ScriptedDialogs::Shown;

namespace {

bool hasFocusIn(QWidget* w)
{
    QWidget* f = QApplication::focusWidget();
    return f && (f == w || w->isAncestorOf(f));
}

// A body with this text, its second half bold.
QByteArray halfBold(const QString& plain, const QString& bold)
{
    RichTextBox box;
    box.setText(plain);
    QTextCursor c(box.document());
    c.movePosition(QTextCursor::End);
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    c.insertText(bold, f);
    return box.TextRTF();
}

bool isBoldAt(const RichTextBox* box, int position)
{
    QTextCursor c(box->document());
    c.setPosition(position);
    return c.charFormat().fontWeight() >= QFont::Bold;
}

// Chinese arrives from the input method as committed text.
void typeChinese(QWidget* w, const QString& text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(w, &e);
}

// Every run of text in `rtf` as "family size", once each.
QStringList fontsOf(const QByteArray& rtf)
{
    RichTextBox probe;
    probe.setTextRTF(rtf);
    QStringList fonts;
    for (QTextBlock b = probe.document()->begin(); b.isValid(); b = b.next()) {
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QStringList families = f.fontFamilies().toStringList();
            const QString font = families.value(0) + u' ' + QString::number(f.fontPointSize());
            if (!fonts.contains(font))
                fonts << font;
        }
    }
    return fonts;
}

// Where `w` lies in the main window's client area: its frame's rectangle.
QRect placeOf(const QWidget* w)
{
    return childFrame(w)->geometry();
}

// Where `box` (inside a child window) lies in the client area.
QRect placeOfBox(const QWidget* box)
{
    QWidget* area = childWindowArea()->viewport();
    return QRect(box->mapTo(area, QPoint(0, 0)), box->size());
}

QString clipboardText()
{
    RichTextBox probe;
    probe.setSelRTF(Clipboard::GetText());
    return probe.Text();
}

// Another program holding the bank file for itself.
class LockingProgram
{
public:
    explicit LockingProgram(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"locker"_s);
        db.setDatabaseName(path);
        ok_ = db.open() && QSqlQuery(db).exec(u"BEGIN EXCLUSIVE"_s);
    }
    ~LockingProgram()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(u"locker"_s);
            QSqlQuery(db).exec(u"ROLLBACK"_s);
            db.close();
        }
        QSqlDatabase::removeDatabase(u"locker"_s);
    }
    bool holds() const { return ok_; }

private:
    bool ok_ = false;
};

} // namespace

class QuestionEntryTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBank> bank;
    std::unique_ptr<ScriptedDialogs> dialogs;
    MDIForm1* main = nullptr;

    // 题库管理 → 添加题目 in the main window of a super administrator.
    frmadd* openEntry()
    {
        if (!main) {
            CurrentUser() = CurrentUserState{};
            CurrentUser().userName = u"admin"_s;
            CurrentUser().setRole(u"超级管理"_s);
            main = WindowRegistry::instance().window<MDIForm1>();
            main->show();
            main->activateWindow();
            if (!QTest::qWaitForWindowActive(main))
                return nullptr;
        }
        main->command(u"addstu"_s)->trigger();
        return WindowRegistry::instance().existing<frmadd>();
    }

    static void fill(frmadd* w, const QString& number = u"41"_s)
    {
        QuestionForm* f = w->form();
        f->Combo1->setEditText(u"选择题"_s);
        f->Text2->setText(u"数与代数"_s);
        f->Text3->setText(u"有理数"_s);
        f->Text4->setText(u"有理数的加法"_s);
        f->Combo2->setEditText(u"B"_s);
        f->Combo3->setEditText(u"是"_s);
        f->Text6->setText(u"张老师"_s);
        f->Text7->setText(u"2026年9月1日"_s);
        f->Text8->setText(number);
        f->RichTextBox1->setTextRTF(halfBold(u"计算："_s, u"(-3)+5"_s));
        f->RichTextBox2->setText(u"2"_s);
    }

    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

private slots:
    void init()
    {
        bank = std::make_unique<TestBank>();
        dialogs = std::make_unique<ScriptedDialogs>();
        setBankBusyTimeout(5000);
        EditTargets::unmarkAll();
        Clipboard::Clear();
    }

    void cleanup()
    {
        QVERIFY2(dialogs->allAnswered(), qPrintable(dialogs->unexpected().join(u'|')));
        WindowRegistry::instance().discardAll();
        main = nullptr;
        dialogs.reset();
        bank.reset();
    }

    void loadProposesTheNumberAndShowsTheInstructions()
    {
        bank->addQuestion({.number = u"50"_s});
        bank->addQuestion({.number = u"41"_s}); // appended last: it counts, not the largest
        bank->addQuestionType(u"选择题"_s);
        bank->addQuestionType(u"填空题"_s);
        bank->addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"有理数的加法"_s);
        frmadd* w = openEntry();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"添加题目"_s);
        QCOMPARE(w->size(), twipsSize(11000, 7500));
        QCOMPARE(childFrame(w)->pos(), twipsPoint(500, 150));
        QCOMPARE(unnamedInputs(w), QStringList());
        QCOMPARE(w->tv->toolTip(), u"在这里依次单击各级知识点即可填入相应的内容"_s);
        QCOMPARE(w->Command3->toolTip(), u"单击即可进入word"_s);
        QCOMPARE(w->Command4->toolTip(), u"单击即可进入word"_s);

        QuestionForm* f = w->form();
        QCOMPARE(f->Text8->text(), u"42"_s);
        QCOMPARE(f->Combo1->count(), 2);
        QCOMPARE(f->Combo1->itemText(1), u"填空题"_s);
        QCOMPARE(w->tv->topLevelItem(0)->child(0)->text(0), u"数与代数"_s);
        w->tv->topLevelItem(0)->setExpanded(true);
        QTest::mouseClick(w->tv->viewport(), Qt::LeftButton, {},
                          w->tv->visualItemRect(w->tv->topLevelItem(0)->child(0)).center());
        QCOMPARE(f->Text2->text(), u"数与代数"_s);

        QCOMPARE(f->RichTextBox1->Text(),
                 u"若题目简单，可直接在这里编辑。若含有图形及公式等内容，可以单击下方\"编辑题目\"按钮，"
                 u"进入word编辑后，再剪切，然后到本框内双击即可粘贴回来。"_s);
        QCOMPARE(f->RichTextBox2->Text(),
                 u"若答案简单，可直接在这里编辑。若含有图形及公式等内容，可以单击下方\"编辑答案\"按钮，"
                 u"进入word编辑后，再剪切、然后到本框内双击即可粘贴回来。"_s);
        // 9-point 宋体, and a face that really draws the Chinese text.
        for (RichTextBox* box : {f->RichTextBox1, f->RichTextBox2}) {
            QTextCursor c(box->document());
            c.setPosition(3);
            QCOMPARE(c.charFormat().fontFamilies().toStringList(), QStringList{u"宋体"_s});
            QCOMPARE(c.charFormat().fontPointSize(), 9.0);
            QVERIFY(QFontMetrics(c.charFormat().font()).inFontUcs4(U'若'));
            QVERIFY(box->TextRTF().contains("\\fs18"));
        }
        // Nothing changed yet: leaving asks nothing.
        QVERIFY(w->questionSaved());
        click(w->Command2);
        QVERIFY(!w->isVisible());
        QVERIFY(dialogs->shown().isEmpty());
    }

    // The fields are checked in their order, one message at a time, with the
    // focus on the field; nothing is written until all are filled.
    void saveChecksTheFieldsInOrder()
    {
        frmadd* w = openEntry();
        QuestionForm* f = w->form();
        f->clear();
        const std::tuple<QString, QWidget*, std::function<void()>> steps[] = {
            {u"请填入题型"_s, f->Combo1, [f] { f->Combo1->setEditText(u"填空题"_s); }},
            {u"请填入知识点一"_s, f->Text2, [f] { f->Text2->setText(u" "_s); }}, // a blank passes
            {u"请填入知识点二"_s, f->Text3, [f] { f->Text3->setText(u"整式"_s); }},
            {u"请填入知识点三"_s, f->Text4, [f] { f->Text4->setText(u"单项式"_s); }},
            {u"请填入难度"_s, f->Combo2, [f] { f->Combo2->setCurrentIndex(2); }},
            {u"请填入是否中考题"_s, f->Combo3, [f] { f->Combo3->setCurrentIndex(0); }},
            {u"请填入录入人"_s, f->Text6, [f] { f->Text6->setText(u"李"_s); }},
            {u"请填入录入时间"_s, f->Text7, [f] { f->Text7->setText(u"今天"_s); }},
            {u"请填入题目编号"_s, f->Text8, [f] { f->Text8->setText(u"7"_s); }},
            {u"请填入题目内容啊！"_s, f->RichTextBox1, [f] { f->RichTextBox1->setText(u"题"_s); }},
            {u"请填入题目答案啊！"_s, f->RichTextBox2, [f] { f->RichTextBox2->setText(u"答"_s); }},
        };
        // Formatting without characters is no content.
        f->RichTextBox1->setTextRTF("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0 Arial;}}\\f0\\b\\fs48 }");
        QVERIFY(f->RichTextBox1->Text().isEmpty());
        for (const auto& [message, field, fillIt] : steps) {
            dialogs->clearShown();
            click(w->Command1);
            QCOMPARE(dialogs->shown(), QList<Shown>{ScriptedDialogs::info(u"提示"_s, message)});
            QTRY_VERIFY2(hasFocusIn(field), qPrintable(message));
            QCOMPARE(bank->store().questionCount(), 0);
            fillIt();
        }
        dialogs->clearShown();
        click(w->Command1);
        QCOMPARE(dialogs->shown(), QList<Shown>{ScriptedDialogs::info(u"提示"_s, u"题目信息添加成功"_s)});
        QCOMPARE(bank->store().questionCount(), 1);
    }

    // The row holds every field exactly as typed (a quote included) and the
    // bodies as whole RTF documents; the fields stay for the next question.
    void saveStoresTheFormAndKeepsTheFields()
    {
        frmadd* w = openEntry();
        QuestionForm* f = w->form();
        fill(w);
        for (QComboBox* c : {f->Combo1, f->Combo2, f->Combo3})
            c->setEditText(c->currentText() + u"'"_s);
        for (QLineEdit* e : {f->Text2, f->Text3, f->Text4, f->Text6, f->Text7})
            e->setText(u"O'"_s + e->text());
        f->RichTextBox2->setText(u"x' = 2"_s);
        QVERIFY(!w->questionSaved());
        const QuestionRecord typed = f->record();
        QVERIFY(typed.content.startsWith("{\\rtf1\\ansi\\ansicpg936"));

        click(w->Command1);
        QCOMPARE(dialogs->shown(), QList<Shown>{ScriptedDialogs::info(u"提示"_s, u"题目信息添加成功"_s)});
        const std::vector<QuestionRecord> rows = bank->store().questions();
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0], typed);
        RichTextBox shown;
        shown.setTextRTF(rows[0].content);
        QVERIFY(isBoldAt(&shown, 4) && !isBoldAt(&shown, 2));

        // Kept: everything but the bodies, which are empty, and the number.
        QuestionRecord kept = f->record();
        QCOMPARE(f->RichTextBox1->Text(), QString());
        QCOMPARE(f->RichTextBox2->Text(), QString());
        QCOMPARE(kept.number, u"42"_s);
        kept.number = typed.number;
        kept.content = typed.content;
        kept.answer = typed.answer;
        QCOMPARE(kept, typed);

        // Saved: leaving asks nothing, also after a change of a text field.
        QVERIFY(w->questionSaved());
        f->Text6->setText(u"王老师"_s);
        click(w->Command2);
        QVERIFY(!w->isVisible());
        QCOMPARE(dialogs->shown().size(), 1);
    }

    void nextNumberAfterASave_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("next");
        QTest::newRow("whole") << u"41"_s << u"42"_s;
        QTest::newRow("decimal") << u"12.5"_s << u"13.5"_s;
        // Not a number: the bank's proposal from before the odd number.
        QTest::newRow("not a number") << u"A1"_s << u"8"_s;
    }

    void nextNumberAfterASave()
    {
        QFETCH(QString, saved);
        QFETCH(QString, next);
        bank->addQuestion({.number = u"7"_s});
        frmadd* w = openEntry();
        QCOMPARE(w->form()->Text8->text(), u"8"_s);
        fill(w, saved);
        click(w->Command1);
        QCOMPARE(w->form()->Text8->text(), next);
        QCOMPARE(bank->store().questions().back().number, saved);

        // Discarded and opened again over a bank whose last number is no
        // number: no number is proposed, and no error stops the window.
        childFrame(w)->close();
        QTRY_VERIFY(!WindowRegistry::instance().existing<frmadd>());
        w = openEntry();
        QVERIFY(w);
        QCOMPARE(w->form()->Text8->text(), saved == u"A1"_s ? QString() : next);
        QCOMPARE(dialogs->shown().size(), 1);
    }

    void clearAllAndTheLeaveQuestion()
    {
        frmadd* w = openEntry();
        QuestionForm* f = w->form();
        fill(w);
        const QuestionRecord typed = f->record();

        dialogs->answerNo();
        click(w->Command5);
        QCOMPARE(dialogs->shown(),
                 QList<Shown>{ScriptedDialogs::ask(u"提示"_s, u"您是否确定把所有内容全部删除？"_s)});
        QCOMPARE(f->record(), typed);

        dialogs->answerYes();
        click(w->Command5);
        QCOMPARE(f->record(), (QuestionRecord{.content = f->RichTextBox1->TextRTF(),
                                              .answer = f->RichTextBox2->TextRTF(),
                                              .entranceExam = u"是"_s}));
        QVERIFY(f->RichTextBox1->Text().isEmpty());

        // Unsaved: leaving asks; No stays, Yes hides the window as it is.
        dialogs->clearShown();
        dialogs->answerNo();
        click(w->Command2);
        QVERIFY(w->isVisible());
        dialogs->answerYes();
        click(w->Command2);
        QVERIFY(!w->isVisible());
        const Shown leave = ScriptedDialogs::ask(u"提示"_s, u"您还没有保存此题！确定退出吗？"_s);
        QCOMPARE(dialogs->shown(), (QList<Shown>{leave, leave}));

        // The menu brings the same window back unchanged; it counts as saved now.
        f->Text6->setText(u"留下的"_s);
        QCOMPARE(openEntry(), w);
        QVERIFY(w->isVisible());
        QCOMPARE(f->Text6->text(), u"留下的"_s);
        QCOMPARE(f->Combo3->currentText(), u"是"_s);
        click(w->Command2);
        QVERIFY(!w->isVisible());
        QCOMPARE(dialogs->shown().size(), 2);
    }

    void enterInTheNumberSelectsTheContent()
    {
        frmadd* w = openEntry();
        QuestionForm* f = w->form();
        QTest::mouseClick(f->Text8, Qt::LeftButton);
        QTRY_VERIFY(f->Text8->hasFocus());
        QTest::keyClick(f->Text8, Qt::Key_Return);
        QTRY_VERIFY(f->RichTextBox1->hasFocus());
        QCOMPARE(f->RichTextBox1->SelText(), f->RichTextBox1->Text());
        QVERIFY(f->RichTextBox1->SelLength() > 50);
        QTest::keyClicks(f->RichTextBox1, u"3+4=?"_s);
        QCOMPARE(f->RichTextBox1->Text(), u"3+4=?"_s);
        QVERIFY(!w->questionSaved());
    }

    // Another program holds the bank: the save reports the store error and
    // everything typed stays; once the bank is free the same save succeeds.
    void storeFailureKeepsEverythingTyped()
    {
        frmadd* w = openEntry();
        QuestionForm* f = w->form();
        fill(w);
        const QuestionRecord typed = f->record();
        setBankBusyTimeout(50);
        {
            LockingProgram other(bank->bankPath());
            QVERIFY(other.holds());
            click(w->Command1);
            QCOMPARE(dialogs->shown().size(), 1);
            QVERIFY2(dialogs->shown().first().text.startsWith(u"错误号："_s),
                     qPrintable(dialogs->shown().first().text));
            QCOMPARE(f->record(), typed);
            QVERIFY(!w->questionSaved());
        }
        dialogs->clearShown();
        click(w->Command1);
        QCOMPARE(dialogs->shown(), QList<Shown>{ScriptedDialogs::info(u"提示"_s, u"题目信息添加成功"_s)});
        QCOMPARE(bank->store().questions().front(), typed);
    }

    // The right button raises the main window's editing menu over the box;
    // its commands take only what the teacher selected.
    void editMenuActsOnTheSelection()
    {
        frmadd* w = openEntry();
        RichTextBox* content = w->form()->RichTextBox1;
        content->setText(u"已知x+1=3，求x"_s);
        content->SetFocus();
        QTRY_VERIFY(content->hasFocus());
        content->setSelStart(2);
        content->setSelLength(5);

        QTest::mouseClick(content->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QMenu* menu = main->BJCD();
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QCOMPARE(QApplication::activePopupWidget(), menu);
        QVERIFY(EditTargets::isMarked(EditTarget::AddContent));
        QVERIFY(!EditTargets::isMarked(EditTarget::AddAnswer));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(main->command(u"JianQ"_s)).center());
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(clipboardText(), u"x+1=3"_s);
        QCOMPARE(content->Text(), u"已知，求x"_s);
        QVERIFY(!EditTargets::isMarked(EditTarget::AddContent));
        QVERIFY(!w->questionSaved());
    }

    // The lists keep what is typed, in the entry window as everywhere: Qt's
    // completion made a typed "选择" the listed "选择题" and "b" the listed "B".
    void listsKeepWhatIsTyped()
    {
        bank->addQuestionType(u"选择题"_s);
        bank->addQuestionType(u"Choice"_s);
        frmadd* w = openEntry();
        fill(w);
        QuestionForm* f = w->form();
        QCOMPARE(f->Combo1->count(), 2);
        f->Combo1->setFocus();
        QTRY_VERIFY(f->Combo1->lineEdit()->hasFocus());
        f->Combo1->lineEdit()->clear();
        typeChinese(f->Combo1->lineEdit(), u"选择"_s);
        QCOMPARE(f->Combo1->currentText(), u"选择"_s);
        QTest::keyClick(f->Combo1->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(f->Text2->hasFocus());
        QCOMPARE(f->Combo1->currentText(), u"选择"_s);

        f->Combo2->setFocus();
        QTRY_VERIFY(f->Combo2->lineEdit()->hasFocus());
        f->Combo2->lineEdit()->clear();
        QTest::keyClicks(f->Combo2->lineEdit(), u"b"_s);
        QTest::keyClick(f->Combo2->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(f->Combo3->lineEdit()->hasFocus());
        QCOMPARE(f->Combo2->currentText(), u"b"_s);

        click(w->Command1);
        QCOMPARE(dialogs->shown(), QList<Shown>{ScriptedDialogs::info(u"提示"_s, u"题目信息添加成功"_s)});
        const QuestionRecord stored = bank->store().questions().at(0);
        QCOMPARE(stored.type, u"选择"_s);
        QCOMPARE(stored.difficulty, u"b"_s);

        // A Latin type typed in part stays in part too.
        f->Combo1->setFocus();
        QTRY_VERIFY(f->Combo1->lineEdit()->hasFocus());
        f->Combo1->lineEdit()->clear();
        QTest::keyClicks(f->Combo1->lineEdit(), u"Ch"_s);
        QTest::keyClick(f->Combo1->lineEdit(), Qt::Key_Return);
        QCOMPARE(f->Combo1->currentText(), u"Ch"_s);
    }

    // Text typed into a body is the body size and font however it comes:
    // over the instruction selected on entering the box, after emptying the
    // box, after a save, and from 编辑题目. One paper never mixes 12 pt or
    // 9 pt into its 10.5 pt.
    void typedTextIsTheBodySize()
    {
        frmadd* w = openEntry();
        fill(w);
        QuestionForm* f = w->form();
        const QStringList body{u"宋体 10.5"_s};
        RichTextBox* content = f->RichTextBox1;
        RichTextBox* answer = f->RichTextBox2;
        content->setTextRTF(frmadd::contentInstruction());
        answer->setTextRTF(frmadd::answerInstruction());
        QCOMPARE(fontsOf(content->TextRTF()), QStringList{u"宋体 9"_s});

        // Entering the box selects the instruction; typing replaces it.
        content->SetFocus();
        QTRY_VERIFY(content->hasFocus());
        QCOMPARE(content->SelLength(), int(content->Text().length()));
        typeChinese(content, u"计算"_s);
        QTest::keyClicks(content, u" 1+2"_s);
        QCOMPARE(content->Text(), u"计算 1+2"_s);
        // The answer's instruction emptied first, then typed into.
        answer->SetFocus();
        QTRY_VERIFY(answer->hasFocus());
        QTest::keyClick(answer, Qt::Key_Delete);
        QCOMPARE(answer->Text(), QString());
        typeChinese(answer, u"三"_s);
        QTest::keyClicks(answer, u"3"_s);
        click(w->Command1);
        QCOMPARE(dialogs->shown(), QList<Shown>{ScriptedDialogs::info(u"提示"_s, u"题目信息添加成功"_s)});
        dialogs->clearShown();
        QuestionRecord stored = bank->store().questions().at(0);
        QCOMPARE(fontsOf(stored.content), body);
        QCOMPARE(fontsOf(stored.answer), body);

        // After the save: the emptied boxes type the same.
        content->SetFocus();
        QTRY_VERIFY(content->hasFocus());
        typeChinese(content, u"第二题"_s);

        // From 编辑题目: typed there, cut, pasted back by a double click.
        click(w->Command4);
        auto* editor = WindowRegistry::instance().existing<bjtm>();
        click(editor->Command1);
        RichTextBox* document = editor->Document1->box();
        QTRY_VERIFY(document->hasFocus());
        typeChinese(document, u"答：4"_s);
        QTest::keyClick(document, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(document, Qt::Key_X, Qt::ControlModifier);
        QTest::mouseClick(answer->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QTRY_VERIFY(!editor->isVisible());
        QTest::mouseDClick(answer->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(answer->Text(), u"答：4"_s);
        click(w->Command1);
        stored = bank->store().questions().at(1);
        QCOMPARE(fontsOf(stored.content), body);
        QCOMPARE(fontsOf(stored.answer), body);
    }

    // 编辑题目 opens beside the entry window, clear of the box its content
    // goes back to, and its title says which body it is for.
    void companionEditorBesideTheForm()
    {
        frmadd* w = openEntry();
        // A wide client area: room beside the window.
        main->resize(1800, 1000);
        QTRY_VERIFY(childWindowArea()->viewport()->width() > 1700);
        click(w->Command3);
        auto* editor = WindowRegistry::instance().existing<bjtm>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->windowTitle(), u"编辑题目"_s);
        QCOMPARE(childFrame(editor)->windowTitle(), u"编辑题目"_s);
        QVERIFY(!placeOf(editor).intersects(placeOf(w)));
        QVERIFY(childWindowArea()->viewport()->rect().contains(placeOf(editor)));
        click(editor->Command2);

        click(w->Command4);
        QCOMPARE(editor->windowTitle(), u"编辑答案"_s);
        QVERIFY(!placeOf(editor).intersects(placeOf(w)));
        click(editor->Command2);

        // A laptop's area has less room beside the window: the editor takes
        // what there is, still clear of the window.
        main->resize(1366, 740);
        QTRY_VERIFY(childWindowArea()->viewport()->width() < placeOf(w).width() + placeOf(editor).width());
        childFrame(w)->move(0, 0);
        click(w->Command3);
        QCOMPARE(editor->windowTitle(), u"编辑题目"_s);
        QVERIFY(!placeOf(editor).intersects(placeOf(w)));
        QVERIFY(childWindowArea()->viewport()->rect().contains(placeOf(editor)));
        QVERIFY(editor->width() < twipsSize(11000, 6500).width());
        click(editor->Command2);
        // Back in a wide area it has its own size again.
        main->resize(1800, 1000);
        QTRY_VERIFY(childWindowArea()->viewport()->width() > 1700);
        click(w->Command4);
        QCOMPARE(editor->size(), twipsSize(11000, 6500));
        click(editor->Command2);

        // No room beside the window at all: the editor goes over it, at its
        // smallest where it must, but leaves the box it is for in view.
        main->resize(1000, 720);
        QTRY_VERIFY(childWindowArea()->viewport()->width() <= 1000);
        for (auto [button, target] : {std::pair{w->Command3, w->form()->RichTextBox1},
                                      std::pair{w->Command4, w->form()->RichTextBox2}}) {
            click(button);
            QVERIFY(placeOf(editor).intersects(placeOf(w)));
            QVERIFY(!placeOf(editor).intersects(placeOfBox(target)));
            QVERIFY(childWindowArea()->viewport()->rect().contains(placeOf(editor)));
            click(editor->Command2);
        }
    }

    // Content prepared in 编辑题目, cut there and pasted back by a double
    // click keeps its formatting; the editor steps aside when the teacher
    // goes back to the entry window, and keeps its document between uses.
    void companionEditorRoundTrip()
    {
        frmadd* w = openEntry();
        // Room for the editor at its own size beside the entry window.
        main->resize(1800, 1000);
        click(w->Command3);
        auto* editor = WindowRegistry::instance().existing<bjtm>();
        QVERIFY(editor && editor->isVisible());
        QVERIFY(w->isVisible());
        QCOMPARE(editor->windowTitle(), u"编辑题目"_s);
        QCOMPARE(editor->size(), twipsSize(11000, 6500));
        QCOMPARE(editor->Command1->toolTip(), u"单击就可进入word"_s);
        QCOMPARE(editor->Command2->toolTip(), u"单击回到“添加题目”窗口"_s);
        QCOMPARE(unnamedInputs(editor), QStringList());

        click(editor->Command1);
        RichTextBox* document = editor->Document1->box();
        QTRY_VERIFY(document->hasFocus());
        QVERIFY(!editor->Command1->isEnabled());
        typeChinese(document, u"求和："_s);
        editor->Document1->action(u"bold"_s)->trigger(); // the toolbar keeps the editor open
        QTest::keyClicks(document, u"1+2"_s);
        QTemporaryDir dir;
        QImage figure(30, 20, QImage::Format_RGB32);
        figure.fill(Qt::darkGreen);
        QVERIFY(figure.save(dir.filePath(u"图1.png"_s)));
        dialogs->answerFile(dir.filePath(u"图1.png"_s));
        editor->Document1->action(u"insertPicture"_s)->trigger();
        QVERIFY(editor->isVisible());
        QVERIFY(document->hasFocus());
        // The editor's own size box taking the focus keeps it open.
        QTest::mouseClick(editor->Document1->sizeBox()->lineEdit(), Qt::LeftButton);
        QTRY_VERIFY(editor->Document1->sizeBox()->hasFocus());
        QVERIFY(editor->isVisible());
        QVERIFY(!editor->Command1->isEnabled());
        QTest::mouseClick(document->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(document->hasFocus());
        QTest::keyClick(document, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(document, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(document->Text().isEmpty());
        QCOMPARE(clipboardText(), u"求和：1+2\uFFFC"_s);

        // Back in the entry window: the editor hides, its button is usable again.
        RichTextBox* content = w->form()->RichTextBox1;
        QTest::mouseClick(content->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QTRY_VERIFY(!editor->isVisible());
        QVERIFY(editor->Command1->isEnabled());
        QTest::mouseDClick(content->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(content->Text(), u"求和：1+2\uFFFC"_s);
        QVERIFY(isBoldAt(content, 4) && !isBoldAt(content, 2));
        QVERIFY(content->TextRTF().contains("\\pngblip"));
        QVERIFY(Clipboard::GetText().isEmpty());

        // 编辑答案 shows the same editor; 返  回 hides it with what it holds.
        click(w->Command4);
        QCOMPARE(WindowRegistry::instance().existing<bjtm>(), editor);
        QVERIFY(editor->isVisible());
        click(editor->Command1);
        QTRY_VERIFY(document->hasFocus());
        typeChinese(document, u"留着"_s);
        click(editor->Command2);
        QVERIFY(!editor->isVisible());
        QVERIFY(editor->Command1->isEnabled());
        click(w->Command4);
        QVERIFY(editor->isVisible());
        QCOMPARE(document->Text(), u"留着"_s);

        // Closing the program while the document is being edited: deleting
        // the editor moves the focus off the document one last time.
        click(editor->Command1);
        QTRY_VERIFY(document->hasFocus());
        QPointer<bjtm> watched = editor;
        WindowRegistry::instance().discardAll();
        QVERIFY(watched.isNull());
    }
};

QTEST_MAIN(QuestionEntryTest)
#include "QuestionEntryTest.moc"

#include "compose/SHouGong3.h"

#include "compose/CompositionState.h"
#include "compose/PaperComposer.h"
#include "compose/PaperFiles.h"
#include "compose/PaperPrinting.h"
#include "compose/SHouGong2.h"
#include "formula/FormulaLayout.h"
#include "ui/ChildWindows.h"
#include "ui/Clipboard.h"
#include "ui/Dialogs.h"
#include "ui/RichTextBox.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* makeLine(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    // Shows the candidate; what is typed here would go nowhere.
    e->setReadOnly(true);
    return e;
}

RichTextBox* makeBox(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new RichTextBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(caption);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return box;
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

SHouGong3::SHouGong3(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"SHouGong3"_s);
    setWindowTitle(u"手工组卷向导三"_s);
    // 退   出 may destroy the window, also where no frame asked for that.
    setAttribute(Qt::WA_DeleteOnClose);

    auto* candidates = new QGroupBox(u"备选题目"_s, this);
    Text8 = makeLine(u"Text8"_s, candidates);
    Text1 = makeLine(u"Text1"_s, candidates);
    Text2 = makeLine(u"Text2"_s, candidates);
    Text3 = makeLine(u"Text3"_s, candidates);
    Text4 = makeLine(u"Text4"_s, candidates);
    Text5 = makeLine(u"Text5"_s, candidates);
    Text6 = makeLine(u"Text6"_s, candidates);
    Text7 = makeLine(u"Text7"_s, candidates);
    List1 = new QListWidget(candidates);
    List1->setObjectName(u"List1"_s);
    List1->setAccessibleName(u"是否中考题"_s); // a label as buddy does not name a list
    List1->addItems({u"否"_s, u"是"_s});
    List1->setMaximumHeight(List1->sizeHintForRow(0) * 2 + 2 * List1->frameWidth() + 2);
    RichTextBox1 = makeBox(u"RichTextBox1"_s, u"题目内容"_s, candidates);
    RichTextBox2 = makeBox(u"RichTextBox2"_s, u"题目答案"_s, candidates);

    auto* fields = new QGridLayout;
    const std::pair<QString, QWidget*> shown[] = {
        {u"题目编号"_s, Text8},   {u"题    型"_s, Text1},   {u"一级知识点"_s, Text2},
        {u"二级知识点"_s, Text3}, {u"三级知识点"_s, Text4}, {u"难    度"_s, Text5},
        {u"录  入  人"_s, Text6}, {u"录入时间"_s, Text7},   {u"是否中考题"_s, List1},
    };
    int i = 0;
    for (const auto& [text, field] : shown) {
        fields->addWidget(labelFor(text, field, candidates), i / 2, (i % 2) * 2);
        fields->addWidget(field, i / 2, (i % 2) * 2 + 1);
        ++i;
    }
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* choose = new QGroupBox(u"显示、选择"_s, candidates);
    Command9 = makeButton(u"Command9"_s, u"显 示"_s, choose);
    Command8 = makeButton(u"Command8"_s, u"第一个"_s, choose);
    Command5 = makeButton(u"Command5"_s, u"下一个"_s, choose);
    Command1 = makeButton(u"Command1"_s, u"上一个"_s, choose);
    Command7 = makeButton(u"Command7"_s, u"最后一个"_s, choose);
    Command2 = makeButton(u"Command2"_s, u"添加到试卷=>"_s, choose);
    Command2->setToolTip(u"单击可以把显示的题添加到试卷"_s);
    auto* chooseGrid = new QGridLayout(choose);
    chooseGrid->addWidget(Command9, 0, 0);
    chooseGrid->addWidget(Command8, 0, 1);
    chooseGrid->addWidget(Command5, 0, 2);
    chooseGrid->addWidget(Command1, 1, 0);
    chooseGrid->addWidget(Command7, 1, 1);
    chooseGrid->addWidget(Command2, 1, 2);

    auto* left = new QVBoxLayout(candidates);
    left->setSpacing(4);
    left->addLayout(fields);
    left->addWidget(labelFor(u"题目内容"_s, RichTextBox1, candidates));
    left->addWidget(RichTextBox1, 1);
    left->addWidget(labelFor(u"题目答案"_s, RichTextBox2, candidates));
    left->addWidget(RichTextBox2, 1);
    left->addWidget(choose);

    auto* chosen = new QGroupBox(u"已选题目"_s, this);
    RichTextBox3 = makeBox(u"RichTextBox3"_s, u"题目内容"_s, chosen);
    RichTextBox4 = makeBox(u"RichTextBox4"_s, u"题目答案"_s, chosen);
    auto* leave = new QGroupBox(u"保存、退出"_s, chosen);
    Command6 = makeButton(u"Command6"_s, u"保存题目"_s, leave);
    Command4 = makeButton(u"Command4"_s, u"保存答案"_s, leave);
    PrintPreview = makeButton(u"PrintPreview"_s, u"打印预览"_s, leave);
    PrintPreview->setAccessibleName(u"打印预览"_s);
    PrintPreview->setToolTip(u"单击即可按版式预览并打印试题或答案"_s);
    ExportPdf = makeButton(u"ExportPdf"_s, u"导出PDF"_s, leave);
    ExportPdf->setAccessibleName(u"导出PDF"_s);
    ExportPdf->setToolTip(u"单击即可按版式把试题或答案存为PDF文件"_s);
    Command3 = makeButton(u"Command3"_s, u"退   出"_s, leave);
    // Two rows: five buttons in one would not fit the half window.
    auto* leaveRow = new QGridLayout(leave);
    leaveRow->addWidget(Command6, 0, 0);
    leaveRow->addWidget(Command4, 0, 1);
    leaveRow->addWidget(Command3, 0, 2);
    leaveRow->addWidget(PrintPreview, 1, 0);
    leaveRow->addWidget(ExportPdf, 1, 1);
    auto* hint = new QLabel(u"点击“添加到试卷”按纽选定题目，全部完成后再保存。"_s, chosen);
    hint->setWordWrap(true);
    auto* right = new QVBoxLayout(chosen);
    right->addWidget(labelFor(u"题目内容"_s, RichTextBox3, chosen));
    right->addWidget(RichTextBox3, 3);
    right->addWidget(labelFor(u"题目答案"_s, RichTextBox4, chosen));
    right->addWidget(RichTextBox4, 2);
    right->addWidget(hint);
    right->addWidget(leave);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(candidates, 1);
    layout->addWidget(chosen, 1);

    resize(sizeHint());
    move(twipsPoint(500, 150));

    connectAction(Command9, &QPushButton::clicked, this, &SHouGong3::Command9_Click);
    connectAction(Command8, &QPushButton::clicked, this, &SHouGong3::Command8_Click);
    connectAction(Command5, &QPushButton::clicked, this, &SHouGong3::Command5_Click);
    connectAction(Command1, &QPushButton::clicked, this, &SHouGong3::Command1_Click);
    connectAction(Command7, &QPushButton::clicked, this, &SHouGong3::Command7_Click);
    connectAction(Command2, &QPushButton::clicked, this, &SHouGong3::Command2_Click);
    connectAction(Command6, &QPushButton::clicked, this, &SHouGong3::Command6_Click);
    connectAction(Command4, &QPushButton::clicked, this, &SHouGong3::Command4_Click);
    connectAction(Command3, &QPushButton::clicked, this, &SHouGong3::Command3_Click);
    connectAction(PrintPreview, &QPushButton::clicked, this, &SHouGong3::PrintPreview_Click);
    connectAction(ExportPdf, &QPushButton::clicked, this, &SHouGong3::ExportPdf_Click);

    resetButtons();
}

void SHouGong3::resetButtons()
{
    for (QPushButton* b : {Command9, Command8, Command5, Command1, Command7, Command2, Command6, Command4,
                           PrintPreview, ExportPdf})
        b->setEnabled(false);
    Command3->setEnabled(true);
}

void SHouGong3::setBrowsingEnabled(bool on)
{
    for (QPushButton* b : {Command8, Command5, Command1, Command7})
        b->setEnabled(on);
}

void SHouGong3::enableShow()
{
    Command9->setEnabled(true);
}

void SHouGong3::message(const QString& text)
{
    dialogs().message(this, u"提示"_s, text);
}

void SHouGong3::clearDisplay()
{
    for (QLineEdit* e : {Text8, Text1, Text2, Text3, Text4, Text5, Text6, Text7})
        e->clear();
    RichTextBox1->setText(QString());
    RichTextBox2->setText(QString());
}

void SHouGong3::showRecord(const QuestionRecord& q)
{
    Text8->setText(q.number);
    Text1->setText(q.type);
    Text2->setText(q.path.level1);
    Text3->setText(q.path.level2);
    Text4->setText(q.path.level3);
    Text5->setText(q.difficulty);
    RichTextBox1->setTextRTF(q.content);
    RichTextBox2->setTextRTF(q.answer);
    List1->setCurrentRow(q.entranceExam == u"否" ? 0 : 1);
    Text6->setText(q.enteredBy);
    Text7->setText(q.enteredAt);
}

void SHouGong3::showStep(const QuestionBrowser::Step& step, const QString& edgeMessage)
{
    QuestionBrowser::Step shown = step;
    if (shown.outcome == QuestionBrowser::Outcome::NoRow && !edgeMessage.isEmpty()) {
        message(edgeMessage);
        shown = browser_.current(); // the move was taken back: the edge row again
    }
    switch (shown.outcome) {
    case QuestionBrowser::Outcome::Shown:
        showRecord(shown.record);
        Command2->setEnabled(true);
        break;
    case QuestionBrowser::Outcome::Deleted:
        // Nothing to add: the question is gone from the bank.
        Command2->setEnabled(false);
        message(u"这道题已被删除。"_s);
        break;
    case QuestionBrowser::Outcome::NoRow:
        Command2->setEnabled(false);
        break;
    }
}

void SHouGong3::Command9_Click()
{
    const TableQuery& query = compositionState().ManualCriteriaSql;
    const int found = query.table.isEmpty() ? 0 : browser_.open(query);
    clearDisplay();
    if (found == 0) {
        // The bank changed since step 2 checked the criteria: ask again.
        const int q = compositionState().ManualQuestionNo;
        browser_.close();
        setBrowsingEnabled(false);
        Command2->setEnabled(false);
        Command9->setEnabled(false);
        message(u"题库中已没有符合第（%1）题搜索信息的题了，请重新填写这道题的搜索信息。"_s.arg(q));
        ManualCriteriaStep::askAgain(compositionState());
        showChildWindow<SHouGong2>()->refreshPrompt();
        return;
    }
    setBrowsingEnabled(true);
    showStep(browser_.first());
}

void SHouGong3::Command8_Click()
{
    clearDisplay();
    showStep(browser_.first());
}

void SHouGong3::Command7_Click()
{
    clearDisplay();
    showStep(browser_.last());
}

void SHouGong3::Command1_Click()
{
    clearDisplay();
    showStep(browser_.previous(), u"已到第一个，没有啦，没骗你，真的没有啦！"_s);
}

void SHouGong3::Command5_Click()
{
    clearDisplay();
    showStep(browser_.next(), u"已到最后，没有啦，没骗你，真的没有啦！"_s);
}

void SHouGong3::Command2_Click()
{
    CompositionState& state = compositionState();
    const int q = state.ManualQuestionNo;
    if (q < 1) // no question is being chosen
        return;
    chosen_.push_back({Text8->text(), Text1->text(), RichTextBox1->TextRTF(), RichTextBox2->TextRTF()});
    // The display boxes are the transfer boxes: what they show goes in, and
    // they are left empty.
    QTextCursor paperCaret = RichTextBox3->textCursor();
    appendItem(paperCaret, paperItemLabel(q), RichTextBox1->TextRTF());
    RichTextBox3->setTextCursor(paperCaret);
    RichTextBox1->setText(QString());
    QTextCursor answerCaret = RichTextBox4->textCursor();
    appendItem(answerCaret, answerItemLabel(q), RichTextBox2->TextRTF());
    RichTextBox4->setTextCursor(answerCaret);
    // Appended apart from the boxes' own RTF input: formulas are put on the
    // text's baseline here.
    alignFormulasOnBaseline(RichTextBox3->document());
    alignFormulasOnBaseline(RichTextBox4->document());
    RichTextBox2->setText(QString());
    Clipboard::Clear();

    Command2->setEnabled(false);
    setBrowsingEnabled(false);
    Command9->setEnabled(false);
    if (q >= state.QuestionTotal) {
        state.ManualQuestionNo = 0;
        state.QuestionTotal = 0;
        for (QPushButton* b : {Command6, Command4, PrintPreview, ExportPdf})
            b->setEnabled(true);
        return;
    }
    showChildWindow<SHouGong2>()->refreshPrompt();
}

void SHouGong3::Command6_Click()
{
    if (savePaperDocument(this, *RichTextBox3->document()))
        paperSaved_ = true;
}

void SHouGong3::Command4_Click()
{
    if (savePaperDocument(this, *RichTextBox4->document(), PaperPart::Answers))
        answersSaved_ = true;
}

void SHouGong3::PrintPreview_Click()
{
    printPreviewPaper(this, {chosen_});
}

void SHouGong3::ExportPdf_Click()
{
    exportPaperPdf(this, {chosen_});
}

void SHouGong3::discardPaper()
{
    chosen_.clear();
    RichTextBox3->setText(QString());
    RichTextBox4->setText(QString());
    paperSaved_ = false;
    answersSaved_ = false;
}

void SHouGong3::Command3_Click()
{
    if (paperSaved_ && answersSaved_) {
        // Kept for the next run, which starts from empty documents.
        discardPaper();
        browser_.close();
        resetButtons();
        hide();
        return;
    }
    if (!dialogs().question(this, u"提示"_s, u"您选的“试卷”或“答案”尚未保存，确定要退出吗？"_s))
        return;
    discardPaper();
    compositionState().ManualQuestionNo = 0;
    // The run is abandoned: the next one starts with both windows anew.
    if (QWidget* step2 = WindowRegistry::instance().existing<SHouGong2>())
        step2->deleteLater();
    deleteLater();
}

QSize SHouGong3::sizeHint() const
{
    return twipsSize(11175, 7500);
}

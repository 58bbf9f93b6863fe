#include "compose/SHouGong3.h"

#include "compose/CompositionState.h"
#include "compose/PaperComposer.h"
#include "compose/PaperFiles.h"
#include "compose/PaperPrinting.h"
#include "compose/SHouGong2.h"
#include "formula/FormulaLayout.h"
#include "ui/ChildWindows.h"
#include "ui/Clipboard.h"
#include "ui/CutTextToolTip.h"
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
#include <QSpinBox>
#include <QSplitter>
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
    showCutTextInToolTip(e);
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

SHouGong3::SHouGong3(QWidget* parent) : QWidget(parent), paper_(nullptr, nullptr, &chosen_)
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
    // The two items side by side: a row of the form, not two, so that the
    // question above keeps the room.
    List1->setFlow(QListView::LeftToRight);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->setFixedHeight(List1->sizeHintForRow(0) + 2 * List1->frameWidth() + 2);
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
    fields->setVerticalSpacing(3);

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

    // Where the candidate shown stands among all of them.
    Position = new QLabel(candidates);
    Position->setObjectName(u"Position"_s);
    auto* contentRow = new QHBoxLayout;
    contentRow->addWidget(labelFor(u"题目内容"_s, RichTextBox1, candidates));
    contentRow->addStretch(1);
    contentRow->addWidget(Position);

    // The question takes most of the room, so that a whole one can be read
    // before it is added; the teacher may give the answer more.
    auto* bodies = new QSplitter(Qt::Vertical, candidates);
    bodies->setObjectName(u"bodies"_s);
    bodies->setChildrenCollapsible(false);
    auto* contentPane = new QWidget(bodies);
    auto* contentLayout = new QVBoxLayout(contentPane);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(2);
    contentLayout->addLayout(contentRow);
    contentLayout->addWidget(RichTextBox1, 1);
    auto* answerPane = new QWidget(bodies);
    // The answer's label beside it: a line more for the question.
    auto* answerLayout = new QHBoxLayout(answerPane);
    answerLayout->setContentsMargins(0, 0, 0, 0);
    answerLayout->addWidget(labelFor(u"题目答案"_s, RichTextBox2, answerPane), 0, Qt::AlignTop);
    answerLayout->addWidget(RichTextBox2, 1);
    RichTextBox1->setParent(contentPane);
    RichTextBox2->setParent(answerPane);
    RichTextBox2->setMinimumHeight(RichTextBox2->fontMetrics().lineSpacing() * 2 + 8);
    bodies->setStretchFactor(0, 3);
    bodies->setStretchFactor(1, 1);

    auto* left = new QVBoxLayout(candidates);
    left->setSpacing(4);
    left->addLayout(fields);
    left->addWidget(bodies, 1);
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

    // The order of the paper: a question, named by its number or by a click
    // into it, moves up or down or goes.
    ChosenNo = new QSpinBox(chosen);
    ChosenNo->setObjectName(u"ChosenNo"_s);
    ChosenNo->setRange(1, 1);
    MoveUp = makeButton(u"MoveUp"_s, u"上移"_s, chosen);
    MoveUp->setToolTip(u"单击可以把这道题往前移一题"_s);
    MoveDown = makeButton(u"MoveDown"_s, u"下移"_s, chosen);
    MoveDown->setToolTip(u"单击可以把这道题往后移一题"_s);
    RemoveChosen = makeButton(u"RemoveChosen"_s, u"删除"_s, chosen);
    RemoveChosen->setToolTip(u"单击可以把这道题从试卷中删去"_s);
    auto* orderRow = new QHBoxLayout;
    orderRow->addWidget(labelFor(u"第"_s, ChosenNo, chosen));
    orderRow->addWidget(ChosenNo);
    orderRow->addWidget(new QLabel(u"题"_s, chosen));
    orderRow->addWidget(MoveUp);
    orderRow->addWidget(MoveDown);
    orderRow->addWidget(RemoveChosen);
    orderRow->addStretch(1);
    ChosenNo->setAccessibleName(u"已选题目的题号"_s);

    auto* right = new QVBoxLayout(chosen);
    right->addWidget(labelFor(u"题目内容"_s, RichTextBox3, chosen));
    right->addWidget(RichTextBox3, 3);
    right->addLayout(orderRow);
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
    connectAction(MoveUp, &QPushButton::clicked, this, &SHouGong3::MoveUp_Click);
    connectAction(MoveDown, &QPushButton::clicked, this, &SHouGong3::MoveDown_Click);
    connectAction(RemoveChosen, &QPushButton::clicked, this, &SHouGong3::RemoveChosen_Click);
    connect(RichTextBox3, &QTextEdit::cursorPositionChanged, this, &SHouGong3::followCaret);
    // Whatever changes a document after it was saved (the teacher's typing,
    // a move) makes it unsaved again.
    connect(RichTextBox3, &RichTextBox::Change, this, [this] { paperSaved_ = false; });
    connect(RichTextBox4, &RichTextBox::Change, this, [this] { answersSaved_ = false; });

    paper_ = ChosenPaper(RichTextBox3->document(), RichTextBox4->document(), &chosen_);
    resetButtons();
}

void SHouGong3::resetButtons()
{
    for (QPushButton* b : {Command9, Command8, Command5, Command1, Command7, Command2, Command6, Command4,
                           PrintPreview, ExportPdf})
        b->setEnabled(false);
    Command3->setEnabled(true);
    updateChosenRange();
}

void SHouGong3::updateChosenRange()
{
    const int n = paper_.count();
    ChosenNo->setRange(1, std::max(n, 1));
    for (QWidget* w : std::initializer_list<QWidget*>{ChosenNo, MoveUp, MoveDown, RemoveChosen})
        w->setEnabled(n > 0);
}

void SHouGong3::followCaret()
{
    const int index = paper_.indexAt(RichTextBox3->textCursor().position());
    if (index >= 0)
        ChosenNo->setValue(index + 1);
}

void SHouGong3::showPosition()
{
    const int at = browser_.position();
    Position->setText(browser_.isOpen() && at >= 0 && at < browser_.count()
                          ? u"第%1题/共%2题"_s.arg(at + 1).arg(browser_.count())
                          : QString());
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
    showPosition();
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
        showPosition();
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
    if (q < 1) { // no question is being chosen
        Command2->setEnabled(false);
        message(u"现在没有正在选择的题：请在“手工组卷向导二”中确定这道题的搜索信息，"
                "或从“手工组卷”重新开始。"_s);
        return;
    }
    // The display boxes are the transfer boxes: what they show goes in, and
    // they are left empty. The paper numbers its questions itself, so that
    // a question moved or removed meanwhile leaves no gap.
    QTextCursor paperCaret = RichTextBox3->textCursor();
    QTextCursor answerCaret = RichTextBox4->textCursor();
    paper_.append(paperCaret, answerCaret,
                  {Text8->text(), Text1->text(), RichTextBox1->TextRTF(), RichTextBox2->TextRTF()});
    RichTextBox3->setTextCursor(paperCaret);
    RichTextBox1->setText(QString());
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
    browser_.close();
    showPosition();
    updateChosenRange();
    ChosenNo->setValue(paper_.count());
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
    // One paper, without set headers.
    printPreviewPaper(this, {{chosen_}, RichTextBox3->document(), RichTextBox4->document(), false});
}

void SHouGong3::ExportPdf_Click()
{
    exportPaperPdf(this, {{chosen_}, RichTextBox3->document(), RichTextBox4->document(), false});
}

void SHouGong3::MoveUp_Click()
{
    const int index = ChosenNo->value() - 1;
    afterPaperChange(paper_.moveUp(index), index);
}

void SHouGong3::MoveDown_Click()
{
    const int index = ChosenNo->value() - 1;
    afterPaperChange(paper_.moveDown(index), index + 2);
}

void SHouGong3::RemoveChosen_Click()
{
    const int index = ChosenNo->value() - 1;
    if (index < 0 || index >= paper_.count())
        return;
    if (!dialogs().question(this, u"提示"_s, u"确定要把第（%1）题从试卷中删去吗？"_s.arg(index + 1)))
        return;
    const QString failure = paper_.remove(index);
    if (failure.isEmpty()) {
        // A run in progress chooses one more: the question being chosen
        // moves up into the place that was freed.
        CompositionState& state = compositionState();
        if (state.ManualQuestionNo > 0) {
            --state.ManualQuestionNo;
            if (auto* step2 = WindowRegistry::instance().existing<SHouGong2>())
                step2->refreshPrompt();
        }
    }
    afterPaperChange(failure, std::min(index + 1, paper_.count()));
}

void SHouGong3::afterPaperChange(const QString& failure, int select)
{
    if (!failure.isEmpty()) {
        message(failure);
        return;
    }
    alignFormulasOnBaseline(RichTextBox3->document());
    alignFormulasOnBaseline(RichTextBox4->document());
    updateChosenRange();
    ChosenNo->setValue(std::clamp(select, 1, std::max(paper_.count(), 1)));
}

void SHouGong3::discardPaper()
{
    paper_.clear();
    RichTextBox3->setText(QString());
    RichTextBox4->setText(QString());
    paperSaved_ = false;
    answersSaved_ = false;
    updateChosenRange();
}

void SHouGong3::startOver()
{
    discardPaper();
    browser_.close();
    clearDisplay();
    showPosition();
    resetButtons();
}

bool SHouGong3::giveUpForNewRun(QWidget* asker)
{
    auto* w = WindowRegistry::instance().existing<SHouGong3>();
    if (!w)
        return true;
    const bool holdsPaper = w->paper_.count() > 0 || !w->RichTextBox3->document()->isEmpty() ||
                            !w->RichTextBox4->document()->isEmpty();
    if (holdsPaper && !(w->paperSaved_ && w->answersSaved_) &&
        !dialogs().question(asker, u"提示"_s,
                            u"“手工组卷向导三”中的试卷尚未保存，开始新的组卷将清空它，确定吗？"_s))
        return false;
    w->startOver();
    return true;
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

#include "compose/ZUJUANLIULAN.h"

#include "compose/CompositionState.h"
#include "compose/PaperComposer.h"
#include "compose/PaperFiles.h"
#include "compose/PaperItems.h"
#include "compose/PaperPrinting.h"
#include "formula/FormulaLayout.h"
#include "ui/Clipboard.h"
#include "ui/Dialogs.h"
#include "ui/RichTextBox.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <algorithm>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

ZUJUANLIULAN::SeedSource& seedSource()
{
    static ZUJUANLIULAN::SeedSource source;
    return source;
}

std::uint64_t nextSeed()
{
    if (seedSource())
        return seedSource()();
    // A short number is easier to note down from the status line.
    return QRandomGenerator::global()->generate();
}

QPushButton* makeButton(const QString& name, const QString& caption, const QString& tip, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

RichTextBox* makeDocument(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new RichTextBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(caption);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return box;
}

} // namespace

ZUJUANLIULAN::ZUJUANLIULAN(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"ZUJUANLIULAN"_s);
    // 退   出 destroys the window, also where no frame asked for that.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"自动组卷向导三"_s);

    auto* documents = new QGroupBox(u"题目及答案"_s, this);
    RichTextBox1 = makeDocument(u"RichTextBox1"_s, u"试题题目"_s, documents);
    RichTextBox3 = makeDocument(u"RichTextBox3"_s, u"试题答案"_s, documents);
    auto* paperLabel = new QLabel(u"试题题目"_s, documents);
    paperLabel->setBuddy(RichTextBox1);
    auto* answerLabel = new QLabel(u"试题答案"_s, documents);
    answerLabel->setBuddy(RichTextBox3);
    auto* grid = new QGridLayout(documents);
    grid->addWidget(paperLabel, 0, 0);
    grid->addWidget(answerLabel, 0, 1);
    grid->addWidget(RichTextBox1, 1, 0);
    grid->addWidget(RichTextBox3, 1, 1);
    grid->setRowStretch(1, 1);

    auto* operations = new QGroupBox(u"操作选项"_s, this);
    Command1 = makeButton(u"Command1"_s, u"开  始"_s, QString(), operations);
    Command2 = makeButton(u"Command2"_s, u"保存题目"_s, u"单击即可保存选出的题目"_s, operations);
    Command4 = makeButton(u"Command4"_s, u"保存答案"_s, u"单击即可保存答案"_s, operations);
    PrintPreview =
        makeButton(u"PrintPreview"_s, u"打印预览"_s, u"单击即可按版式预览并打印试题或答案"_s, operations);
    PrintPreview->setAccessibleName(u"打印预览"_s);
    ExportPdf =
        makeButton(u"ExportPdf"_s, u"导出PDF"_s, u"单击即可按版式把试题或答案存为PDF文件"_s, operations);
    ExportPdf->setAccessibleName(u"导出PDF"_s);
    Command3 = makeButton(u"Command3"_s, u"退   出"_s, QString(), operations);
    auto* buttons = new QHBoxLayout(operations);
    for (QPushButton* b : {Command1, Command2, Command4, PrintPreview, ExportPdf, Command3})
        buttons->addWidget(b);

    Label1 = new QLabel(u"请单击“开始”按纽进行组卷..."_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setWordWrap(true);

    // 换题: the question is named by its set and number, or picked by a
    // click into it in the paper.
    auto* change = new QGroupBox(u"换题"_s, this);
    change->setToolTip(u"在试题题目中单击某题，或选定套号和题号，再单击“换  题”"_s);
    auto makeSpin = [change](const QString& name, const QString& accessible) {
        auto* spin = new QSpinBox(change);
        spin->setObjectName(name);
        spin->setAccessibleName(accessible);
        spin->setRange(1, 1);
        return spin;
    };
    SetNo = makeSpin(u"SetNo"_s, u"换题的套号"_s);
    QuestionNo = makeSpin(u"QuestionNo"_s, u"换题的题号"_s);
    ChangeQuestion =
        makeButton(u"ChangeQuestion"_s, u"换  题"_s, u"单击即可把这道题换成符合同样条件的另一道题"_s, change);
    auto* changeRow = new QHBoxLayout(change);
    changeRow->addWidget(new QLabel(u"第"_s, change));
    changeRow->addWidget(SetNo);
    changeRow->addWidget(new QLabel(u"套  第"_s, change));
    changeRow->addWidget(QuestionNo);
    changeRow->addWidget(new QLabel(u"题"_s, change));
    changeRow->addWidget(ChangeQuestion);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(Label1, 1);
    statusRow->addWidget(change);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(documents, 1);
    layout->addLayout(statusRow);
    layout->addWidget(operations);

    resize(sizeHint());
    move(twipsPoint(500, 120));

    connectAction(Command1, &QPushButton::clicked, this, &ZUJUANLIULAN::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &ZUJUANLIULAN::Command2_Click);
    connectAction(Command4, &QPushButton::clicked, this, &ZUJUANLIULAN::Command4_Click);
    connectAction(Command3, &QPushButton::clicked, this, &ZUJUANLIULAN::Command3_Click);
    connectAction(PrintPreview, &QPushButton::clicked, this, &ZUJUANLIULAN::PrintPreview_Click);
    connectAction(ExportPdf, &QPushButton::clicked, this, &ZUJUANLIULAN::ExportPdf_Click);
    connectAction(ChangeQuestion, &QPushButton::clicked, this, &ZUJUANLIULAN::ChangeQuestion_Click);
    connect(SetNo, &QSpinBox::valueChanged, this, &ZUJUANLIULAN::updateChangeRange);
    connect(RichTextBox1, &QTextEdit::cursorPositionChanged, this, &ZUJUANLIULAN::followCaret);
    // Whatever changes a document after it was saved (another set, a 换题,
    // the teacher's typing) makes it unsaved again.
    connect(RichTextBox1, &RichTextBox::Change, this, [this] { paperSaved_ = false; });
    connect(RichTextBox3, &RichTextBox::Change, this, [this] { answersSaved_ = false; });

    setButtonsEnabled(false);
    Command1->setEnabled(true);
}

ZUJUANLIULAN::~ZUJUANLIULAN()
{
    compositionState().PaperSetNo = 0;
}

void ZUJUANLIULAN::setQueries(const std::vector<TableQuery>& queries)
{
    queries_ = queries;
}

void ZUJUANLIULAN::setSeedSource(SeedSource source)
{
    seedSource() = std::move(source);
}

void ZUJUANLIULAN::setButtonsEnabled(bool on)
{
    for (QPushButton* b : {Command1, Command2, Command3, Command4, PrintPreview, ExportPdf})
        b->setEnabled(on);
    bool anyQuestion = false;
    for (const ComposedPaperSet& c : composed_)
        anyQuestion = anyQuestion || !c.set.questions.empty();
    for (QWidget* w : std::initializer_list<QWidget*>{SetNo, QuestionNo, ChangeQuestion})
        w->setEnabled(on && anyQuestion);
}

void ZUJUANLIULAN::updateChangeRange()
{
    int questions = 0;
    for (const ComposedPaperSet& c : composed_) {
        if (c.set.setNo == SetNo->value())
            questions = int(c.set.questions.size());
    }
    QuestionNo->setRange(1, std::max(questions, 1));
}

void ZUJUANLIULAN::followCaret()
{
    if (composing_)
        return;
    const int item = PaperItems::itemAt(*RichTextBox1->document(), RichTextBox1->textCursor().position());
    if (item <= 0 || composed_.empty())
        return;
    const int setNo = item / (kMaxQuestionTotal + 1);
    const int question = item % (kMaxQuestionTotal + 1);
    if (setNo < SetNo->minimum() || setNo > SetNo->maximum())
        return;
    SetNo->setValue(setNo);
    QuestionNo->setValue(question);
}

void ZUJUANLIULAN::Command1_Click()
{
    setButtonsEnabled(false);
    // Whatever happens to the set (a store error included), the buttons come
    // back and the clipboard is left empty.
    struct Finish
    {
        ZUJUANLIULAN* w;
        ~Finish()
        {
            w->composing_ = false;
            Clipboard::Clear();
            w->setButtonsEnabled(true);
        }
    } finish{this};
    composing_ = true;

    CompositionState& state = compositionState();
    const int setNo = ++state.PaperSetNo;
    const std::uint64_t seed = nextSeed();
    seeds_ << u"第（%1）套 %2"_s.arg(setNo).arg(seed);
    Label1->setText(u"组卷中…，可能需要一些时间，请稍候…"_s);
    Label1->repaint();

    SeededUniform random(seed);
    PaperComposer composer(&BankStore::openBank, std::ref(random));
    QTextCursor paperCaret = RichTextBox1->textCursor();
    QTextCursor answerCaret = RichTextBox3->textCursor();
    const ComposedSet set = composer.composeSet(setNo, queries_, paperCaret, answerCaret);
    RichTextBox1->setTextCursor(paperCaret);
    RichTextBox3->setTextCursor(answerCaret);
    // Appended apart from the boxes' own RTF input: formulas are put on the
    // text's baseline here.
    alignFormulasOnBaseline(RichTextBox1->document());
    alignFormulasOnBaseline(RichTextBox3->document());
    // What stays in the documents is printed: a set stopped early too.
    composed_.push_back({set, queries_, -1});
    if (!set.questions.empty()) {
        PaperSet questions;
        for (const QuestionRecord& q : set.questions)
            questions.push_back(PaperQuestion::fromRecord(q));
        composed_.back().printIndex = int(sets_.size());
        sets_.push_back(std::move(questions));
    }
    SetNo->setRange(composed_.front().set.setNo, setNo);
    SetNo->setValue(setNo);
    updateChangeRange();

    const QString seeds = u"（随机数种子：%1）"_s.arg(seeds_.join(u"，"_s));
    if (!set.complete()) {
        Label1->setText(set.failure + seeds);
        dialogs().message(this, u"提示"_s, set.failure);
        return;
    }
    Label1->setText(u"组卷结束，请保存…"_s + seeds);
}

void ZUJUANLIULAN::ChangeQuestion_Click()
{
    const int setNo = SetNo->value();
    const int question = QuestionNo->value();
    auto composed = std::find_if(composed_.begin(), composed_.end(),
                                 [setNo](const ComposedPaperSet& c) { return c.set.setNo == setNo; });
    if (composed == composed_.end() || question < 1 || question > int(composed->set.questions.size()) ||
        size_t(question) >= composed->queries.size()) {
        dialogs().message(this, u"提示"_s, u"第（%1）套试卷中没有第（%2）题。"_s.arg(setNo).arg(question));
        return;
    }
    const int id = PaperItems::itemId(setNo, question);
    const PaperItems::Item paperItem{id, paperItemLabel(question)};
    const PaperItems::Item answerItem{id, answerItemLabel(question)};
    QTextDocument* paper = RichTextBox1->document();
    QTextDocument* answers = RichTextBox3->document();
    if (!PaperItems::find(*paper, paperItem).found() || !PaperItems::find(*answers, answerItem).found()) {
        dialogs().message(this, u"提示"_s,
                          u"第（%1）套试卷第（%2）题的题号在试题题目或试题答案中已被删改，找不到这道题，"
                          "无法换题。"_s.arg(setNo)
                              .arg(question));
        return;
    }
    SeededUniform random(nextSeed());
    PaperComposer composer(&BankStore::openBank, std::ref(random));
    const QString before = composed->set.numbers.at(question - 1);
    const QString failure =
        composer.replaceQuestion(composed->set, question, composed->queries[size_t(question)]);
    if (!failure.isEmpty()) {
        dialogs().message(this, u"提示"_s, failure);
        return;
    }
    const QuestionRecord& q = composed->set.questions[size_t(question - 1)];
    PaperItems::replaceBody(*paper, paperItem, q.content);
    PaperItems::replaceBody(*answers, answerItem, q.answer);
    alignFormulasOnBaseline(paper);
    alignFormulasOnBaseline(answers);
    if (composed->printIndex >= 0)
        sets_[size_t(composed->printIndex)][size_t(question - 1)] = PaperQuestion::fromRecord(q);
    Label1->setText(
        u"第（%1）套试卷的第（%2）题已换成题目编号为%3的题（原为%4），请保存…（随机数种子：%5）"_s.arg(setNo)
            .arg(question)
            .arg(q.number, before, seeds_.join(u"，"_s)));
}

void ZUJUANLIULAN::Command2_Click()
{
    if (savePaperDocument(this, *RichTextBox1->document()))
        paperSaved_ = true;
}

void ZUJUANLIULAN::Command4_Click()
{
    if (savePaperDocument(this, *RichTextBox3->document(), PaperPart::Answers))
        answersSaved_ = true;
}

void ZUJUANLIULAN::PrintPreview_Click()
{
    printPreviewPaper(this, {sets_, RichTextBox1->document(), RichTextBox3->document()});
}

void ZUJUANLIULAN::ExportPdf_Click()
{
    exportPaperPdf(this, {sets_, RichTextBox1->document(), RichTextBox3->document()});
}

void ZUJUANLIULAN::discardPaper()
{
    sets_.clear();
    composed_.clear();
    RichTextBox1->setText(QString());
    RichTextBox3->setText(QString());
    paperSaved_ = false;
    answersSaved_ = false;
}

void ZUJUANLIULAN::Command3_Click()
{
    if (!(paperSaved_ && answersSaved_) &&
        !dialogs().question(this, u"提示"_s, u"您选的“试卷”或“答案”尚未保存，确定要退出吗？"_s))
        return;
    discardPaper();
    close();
}

QSize ZUJUANLIULAN::sizeHint() const
{
    return twipsSize(11000, 7780);
}

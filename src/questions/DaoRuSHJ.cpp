#include "questions/DaoRuSHJ.h"

#include "docx/BodyWriter.h"
#include "questions/KnowledgeTreePicker.h"
#include "store/BankStore.h"
#include "store/CurrentUser.h"
#include "ui/Dialogs.h"
#include "ui/RichTextBox.h"
#include "ui/SongtiFont.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/TypedComboBox.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLineEdit* makeLine(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

QComboBox* makeCombo(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    // The text stays exactly as typed, as in the other question windows.
    makeEditableAsTyped(c);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    return c;
}

RichTextBox* makeBox(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new RichTextBox(parent);
    box->setObjectName(name);
    // The teacher places the caret (to split, to move a paragraph) but edits
    // nothing here: what is shown is what will be stored.
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAccessibleName(caption);
    return box;
}

enum Column {
    NumberColumn,
    SectionColumn,
    TypeColumn,
    FirstLineColumn,
    FiguresColumn,
    AnswerColumn,
    NoteColumn
};

} // namespace

DaoRuSHJ::DaoRuSHJ(QWidget* parent)
    : QWidget(parent), Text1(makeLine(u"Text1"_s, this)),
      Command1(makeButton(u"Command1"_s, u"选择文件…"_s, this)), Label1(new QLabel(this)),
      List1(new QTreeWidget(this)), RichTextBox1(makeBox(u"RichTextBox1"_s, u"题目内容"_s, this)),
      RichTextBox2(makeBox(u"RichTextBox2"_s, u"题目答案"_s, this)),
      Command2(makeButton(u"Command2"_s, u"与下一题合并"_s, this)),
      Command3(makeButton(u"Command3"_s, u"在光标处拆分"_s, this)),
      Command4(makeButton(u"Command4"_s, u"段落移入答案"_s, this)),
      Command5(makeButton(u"Command5"_s, u"段落移回题目"_s, this)),
      Command6(makeButton(u"Command6"_s, u"删除此题"_s, this)), tv(new QTreeWidget(this)),
      Combo1(makeCombo(u"Combo1"_s, {}, this)), Text2(makeLine(u"Text2"_s, this)),
      Text3(makeLine(u"Text3"_s, this)), Text4(makeLine(u"Text4"_s, this)),
      Combo2(makeCombo(u"Combo2"_s, {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}, this)),
      Combo3(makeCombo(u"Combo3"_s, {u"否"_s, u"是"_s}, this)), Text6(makeLine(u"Text6"_s, this)),
      Command7(makeButton(u"Command7"_s, u"设置选中的题"_s, this)),
      Command8(makeButton(u"Command8"_s, u"设置全部题"_s, this)),
      Command9(makeButton(u"Command9"_s, u"导  入"_s, this)),
      Command10(makeButton(u"Command10"_s, u"取  消"_s, this))
{
    setObjectName(u"DaoRuSHJ"_s);
    setWindowTitle(u"导入试卷"_s);
    substituteSongti();

    Text1->setReadOnly(true);
    Label1->setObjectName(u"Label1"_s);
    Label1->setWordWrap(true);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* fileLabel = new QLabel(u"试卷文件"_s, this);
    fileLabel->setBuddy(Text1);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(Text1, 1);
    fileRow->addWidget(Command1);

    List1->setObjectName(u"List1"_s);
    List1->setAccessibleName(u"找到的题目"_s);
    List1->setRootIsDecorated(false);
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->setHeaderLabels(
        {u"题号"_s, u"大题"_s, u"题型"_s, u"题目（首行）"_s, u"图/公式"_s, u"答案"_s, u"提示"_s});
    List1->header()->setStretchLastSection(true);
    List1->setColumnWidth(NumberColumn, 50);
    List1->setColumnWidth(SectionColumn, 100);
    List1->setColumnWidth(TypeColumn, 70);
    List1->setColumnWidth(FirstLineColumn, 240);
    List1->setColumnWidth(FiguresColumn, 60);
    List1->setColumnWidth(AnswerColumn, 40);

    auto* contentLabel = new QLabel(u"题目内容"_s, this);
    contentLabel->setBuddy(RichTextBox1);
    auto* answerLabel = new QLabel(u"题目答案"_s, this);
    answerLabel->setBuddy(RichTextBox2);
    auto* bodies = new QGridLayout;
    bodies->addWidget(contentLabel, 0, 0);
    bodies->addWidget(answerLabel, 0, 1);
    bodies->addWidget(RichTextBox1, 1, 0);
    bodies->addWidget(RichTextBox2, 1, 1);
    auto* editFrame = new QGroupBox(u"调整选项"_s, this);
    auto* editRow = new QHBoxLayout(editFrame);
    for (QPushButton* b : {Command2, Command3, Command4, Command5, Command6})
        editRow->addWidget(b);
    Command3->setToolTip(u"先在题目内容中单击要拆开的地方（答案也在其光标处分开）"_s);
    Command4->setToolTip(u"把题目内容中光标所在的段落移到答案的开头"_s);
    Command5->setToolTip(u"把答案中光标所在的段落移到题目内容的末尾"_s);

    tv->setObjectName(u"tv"_s);
    tv->setAccessibleName(u"知识点"_s);
    tv->setToolTip(u"在这里依次单击各级知识点即可填入相应的内容"_s);
    picker_ = new KnowledgeTreePicker(tv, Text2, Text3, Text4, this);
    auto* fieldFrame = new QGroupBox(u"题目信息"_s, this);
    auto* fields = new QGridLayout(fieldFrame);
    fields->addWidget(tv, 0, 0, 5, 1);
    const std::pair<QString, QWidget*> labelled[] = {
        {u"题   型"_s, Combo1}, {u"一级知识点"_s, Text2},  {u"二级知识点"_s, Text3}, {u"三级知识点"_s, Text4},
        {u"难   度"_s, Combo2}, {u"是否中考题"_s, Combo3}, {u"录 入 人"_s, Text6},
    };
    int i = 0;
    for (const auto& [text, field] : labelled) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        fields->addWidget(label, i / 2, 1 + (i % 2) * 2);
        fields->addWidget(field, i / 2, 2 + (i % 2) * 2);
        ++i;
    }
    auto* applyRow = new QHBoxLayout;
    applyRow->addStretch();
    applyRow->addWidget(Command7);
    applyRow->addWidget(Command8);
    fields->addLayout(applyRow, 4, 1, 1, 4);
    fields->setColumnStretch(0, 2);
    fields->setColumnStretch(2, 1);
    fields->setColumnStretch(4, 1);

    auto* actionRow = new QHBoxLayout;
    actionRow->addStretch();
    actionRow->addWidget(Command9);
    actionRow->addWidget(Command10);

    auto* top = new QWidget(this);
    auto* topColumn = new QVBoxLayout(top);
    topColumn->setContentsMargins(0, 0, 0, 0);
    topColumn->addWidget(List1);
    auto* bottom = new QWidget(this);
    auto* bottomColumn = new QVBoxLayout(bottom);
    bottomColumn->setContentsMargins(0, 0, 0, 0);
    bottomColumn->addLayout(bodies, 1);
    bottomColumn->addWidget(editFrame);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(u"Splitter1"_s);
    splitter->addWidget(top);
    splitter->addWidget(bottom);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);

    auto* column = new QVBoxLayout(this);
    column->addLayout(fileRow);
    column->addWidget(Label1);
    column->addWidget(splitter, 1);
    column->addWidget(fieldFrame);
    column->addLayout(actionRow);

    connectAction(Command1, &QPushButton::clicked, this, &DaoRuSHJ::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &DaoRuSHJ::Command2_Click);
    connectAction(Command3, &QPushButton::clicked, this, &DaoRuSHJ::Command3_Click);
    connectAction(Command4, &QPushButton::clicked, this, &DaoRuSHJ::Command4_Click);
    connectAction(Command5, &QPushButton::clicked, this, &DaoRuSHJ::Command5_Click);
    connectAction(Command6, &QPushButton::clicked, this, &DaoRuSHJ::Command6_Click);
    connectAction(Command7, &QPushButton::clicked, this, &DaoRuSHJ::Command7_Click);
    connectAction(Command8, &QPushButton::clicked, this, &DaoRuSHJ::Command8_Click);
    connectAction(Command9, &QPushButton::clicked, this, &DaoRuSHJ::Command9_Click);
    connectAction(Command10, &QPushButton::clicked, this, &DaoRuSHJ::Command10_Click);
    connectAction(List1, &QTreeWidget::itemSelectionChanged, this, &DaoRuSHJ::List1_SelectionChanged);
    connectAction(tv, &QTreeWidget::itemClicked, this,
                  [this](QTreeWidgetItem* node) { picker_->nodeClicked(node); });

    Form_Load();
}

DaoRuSHJ::~DaoRuSHJ() = default;

QSize DaoRuSHJ::sizeHint() const
{
    return twipsSize(11600, 9800);
}

void DaoRuSHJ::Form_Load()
{
    resize(twipsSize(11600, 9800));
    move(twipsPoint(200, 100));
    BankStore store = BankStore::openBank();
    picker_->build(store);
    for (const QuestionType& t : store.questionTypes())
        Combo1->addItem(t.name);
    Combo1->setCurrentIndex(-1);
    Text6->setText(CurrentUser().userName);
    clearPaper();
}

int DaoRuSHJ::currentQuestion() const
{
    const QTreeWidgetItem* item = List1->currentItem();
    return item ? List1->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
}

QList<int> DaoRuSHJ::selectedQuestions() const
{
    QList<int> out;
    for (QTreeWidgetItem* item : List1->selectedItems())
        out << List1->indexOfTopLevelItem(item);
    std::sort(out.begin(), out.end());
    return out;
}

void DaoRuSHJ::clearPaper()
{
    paper_ = PaperImport();
    Text1->clear();
    Label1->setText(u"请单击“选择文件…”，选择要导入的 Word 试卷（.docx，也可以是 .doc、.wps）。"_s);
    showQuestions(-1);
}

bool DaoRuSHJ::openFile(const QString& path)
{
    QStringList types;
    QuestionRecord defaults;
    {
        BankStore store = BankStore::openBank();
        for (const QuestionType& t : store.questionTypes())
            types << t.name;
    }
    defaults.enteredBy = Text6->text();
    defaults.enteredAt = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    defaults.entranceExam = u"否"_s;
    if (!formulas_)
        formulas_ = std::make_unique<docx::FormulaPictures>();

    PaperImport next;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = next.open(path, types, defaults, formulas_.get(), &error);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        dialogs().message(this, u"提示"_s, error);
        return false;
    }
    if (next.count() == 0) {
        dialogs().message(this, u"提示"_s,
                          u"在“%1”中没有找到题目。试卷中的题目应当带有题号（如“1.”“2、”），"
                          u"大题前可以有“一、选择题”这样的标题。"_s.arg(next.fileName()));
        return false;
    }
    paper_ = std::move(next);
    Text1->setText(paper_.fileName());
    showQuestions(0);
    return true;
}

void DaoRuSHJ::showSummary()
{
    if (paper_.count() == 0 && paper_.fileName().isEmpty())
        return;
    int answered = 0;
    int pictures = 0;
    int formulas = 0;
    int marked = 0;
    for (const ImportedQuestion& q : paper_.questions()) {
        answered += q.hasAnswer() ? 1 : 0;
        pictures += q.pictures;
        formulas += q.formulas;
        marked += q.warnings.isEmpty() ? 0 : 1;
    }
    QStringList lines;
    lines << u"找到 %1 道题，其中 %2 道有答案；图片 %3 幅，公式 %4 个。"_s.arg(paper_.count())
                 .arg(answered)
                 .arg(pictures)
                 .arg(formulas);
    if (marked > 0)
        lines << u"有 %1 道题带有提示（见“提示”一列），请核对。"_s.arg(marked);
    if (!paper_.conversionNotice().isEmpty())
        lines << paper_.conversionNotice();
    for (const QString& w : paper_.warnings())
        lines << w;
    lines << u"核对无误后单击“导  入”；在此之前题库不会有任何改动。"_s;
    Label1->setText(lines.join(u'\n'));
}

void DaoRuSHJ::showQuestions(int select)
{
    const QSignalBlocker block(List1);
    List1->clear();
    for (const ImportedQuestion& q : paper_.questions()) {
        auto* item = new QTreeWidgetItem(List1);
        item->setText(NumberColumn, q.paperNumber);
        item->setText(SectionColumn, q.section);
        item->setText(TypeColumn, q.record.type + (q.typeGuessed ? u"？"_s : QString()));
        item->setText(FirstLineColumn, q.firstLine());
        item->setText(FiguresColumn, u"%1/%2"_s.arg(q.pictures).arg(q.formulas));
        item->setText(AnswerColumn, q.hasAnswer() ? u"有"_s : u"无"_s);
        item->setText(NoteColumn, q.warnings.join(u"；"_s));
        item->setToolTip(SectionColumn, q.section);
        item->setToolTip(FirstLineColumn, q.firstLine());
        if (!q.warnings.isEmpty()) {
            item->setToolTip(NoteColumn, q.warnings.join(u'\n'));
            item->setForeground(NoteColumn, QColor(176, 0, 0));
        }
        if (!q.hasAnswer())
            item->setForeground(AnswerColumn, QColor(176, 0, 0));
    }
    const bool any = paper_.count() > 0;
    for (QPushButton* b : {Command2, Command3, Command4, Command5, Command6, Command7, Command8, Command9})
        b->setEnabled(any);
    select = std::min(select, paper_.count() - 1);
    if (select >= 0) {
        List1->setCurrentItem(List1->topLevelItem(select));
        List1->topLevelItem(select)->setSelected(true);
    }
    showQuestion(select);
    showSummary();
}

void DaoRuSHJ::showQuestion(int i)
{
    if (i < 0 || i >= paper_.count()) {
        RichTextBox1->setTextRTF({});
        RichTextBox2->setTextRTF({});
        return;
    }
    const ImportedQuestion& q = paper_.questions()[std::size_t(i)];
    RichTextBox1->setTextRTF(q.record.content);
    RichTextBox2->setTextRTF(q.record.answer);
    docx::drawMetafilePictures(RichTextBox1->document());
    docx::drawMetafilePictures(RichTextBox2->document());
    // The answer's caret stands at its end: a split keeps the whole answer
    // with the first part unless the teacher places it.
    RichTextBox2->setSelStart(int(RichTextBox2->Text().length()));
    RichTextBox1->setSelStart(0);
}

void DaoRuSHJ::List1_SelectionChanged()
{
    showQuestion(currentQuestion());
}

bool DaoRuSHJ::needsQuestion()
{
    if (currentQuestion() >= 0)
        return true;
    dialogs().message(this, u"提示"_s, u"请先在列表中选择一道题"_s);
    return false;
}

void DaoRuSHJ::Command1_Click()
{
    const QString path =
        dialogs().openFileName(this, u"导入试卷"_s,
                               u"Word 试卷 (*.docx *.doc *.wps);;Word 文档 (*.docx);;"
                               u"Word 97-2003 文档 (*.doc);;WPS 文字 (*.wps);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    openFile(path);
}

void DaoRuSHJ::Command2_Click()
{
    if (!needsQuestion())
        return;
    const int i = currentQuestion();
    if (!paper_.join(i)) {
        dialogs().message(this, u"提示"_s, u"这已经是最后一题，后面没有可以合并的题"_s);
        return;
    }
    showQuestions(i);
}

void DaoRuSHJ::Command3_Click()
{
    if (!needsQuestion())
        return;
    const int i = currentQuestion();
    if (!paper_.split(i, RichTextBox1->SelStart(), RichTextBox2->SelStart())) {
        dialogs().message(this, u"提示"_s, u"请先在题目内容中单击要拆开的地方（不能在开头或末尾）"_s);
        return;
    }
    showQuestions(i + 1);
}

void DaoRuSHJ::Command4_Click()
{
    if (!needsQuestion())
        return;
    const int i = currentQuestion();
    if (!paper_.moveParagraph(i, PaperImport::Side::Content, RichTextBox1->SelStart())) {
        dialogs().message(this, u"提示"_s, u"请先在题目内容中单击要移入答案的段落（表格中的段落不能移动）"_s);
        return;
    }
    showQuestions(i);
}

void DaoRuSHJ::Command5_Click()
{
    if (!needsQuestion())
        return;
    const int i = currentQuestion();
    if (!paper_.moveParagraph(i, PaperImport::Side::Answer, RichTextBox2->SelStart())) {
        dialogs().message(this, u"提示"_s, u"请先在答案中单击要移回题目的段落（表格中的段落不能移动）"_s);
        return;
    }
    showQuestions(i);
}

void DaoRuSHJ::Command6_Click()
{
    if (!needsQuestion())
        return;
    const int i = currentQuestion();
    const QString number = paper_.questions()[std::size_t(i)].paperNumber;
    if (!dialogs().question(this, u"提示"_s, u"确定不导入第 %1 题吗？"_s.arg(number)))
        return;
    paper_.drop(i);
    showQuestions(i);
}

ImportFields DaoRuSHJ::readFields() const
{
    ImportFields f;
    if (!Combo1->currentText().isEmpty())
        f.type = Combo1->currentText();
    if (!Text2->text().isEmpty() || !Text3->text().isEmpty() || !Text4->text().isEmpty())
        f.path = KnowledgePath{Text2->text(), Text3->text(), Text4->text()};
    if (!Combo2->currentText().isEmpty())
        f.difficulty = Combo2->currentText();
    if (!Combo3->currentText().isEmpty())
        f.entranceExam = Combo3->currentText();
    if (!Text6->text().isEmpty())
        f.enteredBy = Text6->text();
    return f;
}

void DaoRuSHJ::Command7_Click()
{
    const QList<int> which = selectedQuestions();
    if (which.isEmpty()) {
        dialogs().message(this, u"提示"_s, u"请先在列表中选择要设置的题（可按住 Ctrl 或 Shift 多选）"_s);
        return;
    }
    paper_.setFields(which, readFields());
    const int keep = currentQuestion();
    showQuestions(keep);
    // The teacher's selection stays, for another field.
    for (const int i : which)
        List1->topLevelItem(i)->setSelected(true);
}

void DaoRuSHJ::Command8_Click()
{
    QList<int> all;
    for (int i = 0; i < paper_.count(); ++i)
        all << i;
    paper_.setFields(all, readFields());
    showQuestions(std::max(currentQuestion(), 0));
}

void DaoRuSHJ::Command9_Click()
{
    if (paper_.count() == 0) {
        dialogs().message(this, u"提示"_s, u"还没有可以导入的题目，请先选择试卷文件"_s);
        return;
    }
    int unclassified = 0;
    for (const ImportedQuestion& q : paper_.questions()) {
        const QuestionRecord& r = q.record;
        if (r.type.isEmpty() || r.path.level1.isEmpty() || r.difficulty.isEmpty())
            ++unclassified;
    }
    if (unclassified > 0 &&
        !dialogs().question(this, u"提示"_s,
                            u"有 %1 道题还没有设置题型、知识点或难度，导入后可以在“修改题目”中补上。"
                            u"确定现在导入吗？"_s.arg(unclassified))) {
        return;
    }
    // A store failure is reported by the action's handler; the transaction
    // then appended nothing and the preview stays for another try.
    BankStore store = BankStore::openBank();
    const NumberedAppend added = paper_.importInto(store);
    dialogs().message(this, u"提示"_s,
                      u"已导入 %1 道题，题目编号从 %2 到 %3"_s.arg(added.appended)
                          .arg(added.firstNumber, added.lastNumber));
    clearPaper();
}

void DaoRuSHJ::Command10_Click()
{
    if (paper_.count() > 0 &&
        !dialogs().question(this, u"提示"_s, u"试卷中的题目还没有导入题库，确定放弃吗？"_s)) {
        return;
    }
    clearPaper();
    hide();
}

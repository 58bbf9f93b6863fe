#include "questions/frmadd.h"

#include "questions/bjtm.h"
#include "questions/KnowledgeTreePicker.h"
#include "questions/QuestionForm.h"
#include "rtf/RtfWriter.h"
#include "store/BankStore.h"
#include "ui/ChildWindows.h"
#include "ui/Dialogs.h"
#include "ui/EditTargets.h"
#include "ui/RichTextBox.h"
#include "ui/SongtiFont.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QByteArray songtiParagraph(const QString& text)
{
    QTextDocument doc;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{songtiFamily()});
    f.setFontPointSize(9);
    QTextCursor(&doc).insertText(text, f);
    return RtfWriter::write(doc);
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// The next proposal when the saved number is not a number: the bank's own
// proposal, taken before the save so that the series goes on after an odd
// number; empty when the bank's last number is not a number either.
QString bankProposal(BankStore& store)
{
    try {
        return nextQuestionNumber(store);
    } catch (const StoreError& e) {
        if (e.number != StoreErrorNumber::TypeMismatch)
            throw;
        return QString();
    }
}

} // namespace

frmadd::frmadd(QWidget* parent)
    : QWidget(parent), tv(new QTreeWidget(this)), Command1(makeButton(u"Command1"_s, u"保存题目"_s, this)),
      Command2(makeButton(u"Command2"_s, u"退  出"_s, this)),
      Command3(makeButton(u"Command3"_s, u"编辑题目"_s, this)),
      Command4(makeButton(u"Command4"_s, u"编辑答案"_s, this)),
      Command5(makeButton(u"Command5"_s, u"全部重填"_s, this)),
      form_(new QuestionForm(QuestionForm::entryLabels(), this))
{
    setObjectName(u"frmadd"_s);
    setWindowTitle(u"添加题目"_s);
    substituteSongti();

    tv->setToolTip(u"在这里依次单击各级知识点即可填入相应的内容"_s);
    picker_ = new KnowledgeTreePicker(tv, form_->Text2, form_->Text3, form_->Text4, this);
    auto* treeFrame = new QGroupBox(u"知识点选项"_s, this);
    (new QVBoxLayout(treeFrame))->addWidget(tv);

    Command3->setToolTip(u"单击即可进入word"_s);
    Command4->setToolTip(u"单击即可进入word"_s);
    auto* editFrame = new QGroupBox(u"编辑选项"_s, this);
    auto* editRow = new QHBoxLayout(editFrame);
    editRow->addWidget(Command3);
    editRow->addWidget(Command4);
    auto* actionFrame = new QGroupBox(u"操作选项"_s, this);
    auto* actionRow = new QHBoxLayout(actionFrame);
    actionRow->addWidget(Command5);
    actionRow->addWidget(Command1);
    actionRow->addWidget(Command2);

    auto* grid = new QGridLayout(this);
    grid->addWidget(treeFrame, 0, 0, 2, 1);
    grid->addWidget(form_, 0, 1, 1, 2);
    grid->addWidget(editFrame, 1, 1);
    grid->addWidget(actionFrame, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 4);
    grid->setRowStretch(0, 1);

    form_->useEditMenu(EditTarget::AddContent, EditTarget::AddAnswer);
    connectAction(tv, &QTreeWidget::itemClicked, this,
                  [this](QTreeWidgetItem* node) { picker_->nodeClicked(node); });
    connectAction(Command1, &QPushButton::clicked, this, &frmadd::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &frmadd::Command2_Click);
    connectAction(Command3, &QPushButton::clicked, this, &frmadd::Command3_Click);
    connectAction(Command4, &QPushButton::clicked, this, &frmadd::Command4_Click);
    connectAction(Command5, &QPushButton::clicked, this, &frmadd::Command5_Click);

    Form_Load();
    for (RichTextBox* box : {form_->RichTextBox1, form_->RichTextBox2})
        connect(box, &RichTextBox::Change, this, [this] { questionSaved_ = false; });
}

QByteArray frmadd::contentInstruction()
{
    return songtiParagraph(
        u"若题目简单，可直接在这里编辑。若含有图形及公式等内容，可以单击下方\"编辑题目\"按钮，"
        u"进入word编辑后，再剪切，然后到本框内双击即可粘贴回来。"_s);
}

QByteArray frmadd::answerInstruction()
{
    return songtiParagraph(
        u"若答案简单，可直接在这里编辑。若含有图形及公式等内容，可以单击下方\"编辑答案\"按钮，"
        u"进入word编辑后，再剪切、然后到本框内双击即可粘贴回来。"_s);
}

void frmadd::Form_Load()
{
    resize(twipsSize(11000, 7500));
    move(twipsPoint(500, 150));
    questionSaved_ = true;
    BankStore store = BankStore::openBank();
    picker_->build(store);
    form_->loadTypes(store);
    // A bank whose last number is not a number proposes nothing; the
    // teacher types the number.
    form_->Text8->setText(bankProposal(store));
    form_->RichTextBox1->setTextRTF(contentInstruction());
    form_->RichTextBox2->setTextRTF(answerInstruction());
}

QSize frmadd::sizeHint() const
{
    return twipsSize(11000, 7500);
}

void frmadd::Command1_Click()
{
    QuestionForm& f = *form_;
    const std::pair<QString, QWidget*> checks[] = {
        {u"请填入题型"_s, f.Combo1},
        {u"请填入知识点一"_s, f.Text2},
        {u"请填入知识点二"_s, f.Text3},
        {u"请填入知识点三"_s, f.Text4},
        {u"请填入难度"_s, f.Combo2},
        {u"请填入是否中考题"_s, f.Combo3},
        {u"请填入录入人"_s, f.Text6},
        {u"请填入录入时间"_s, f.Text7},
        {u"请填入题目编号"_s, f.Text8},
        {u"请填入题目内容啊！"_s, f.RichTextBox1},
        {u"请填入题目答案啊！"_s, f.RichTextBox2},
    };
    auto isEmpty = [](QWidget* w) {
        if (auto* c = qobject_cast<QComboBox*>(w))
            return c->currentText().isEmpty();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text().isEmpty();
        // A body with formatting but no characters is empty too.
        return static_cast<RichTextBox*>(w)->Text().isEmpty();
    };
    for (const auto& [message, field] : checks) {
        if (isEmpty(field)) {
            dialogs().message(this, u"提示"_s, message);
            field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }

    const QuestionRecord q = f.record();
    BankStore store = BankStore::openBank();
    const std::optional<QString> following = numberAfter(q.number);
    const QString next = following ? *following : bankProposal(store);
    // Nothing in the window changes before the row is stored: a failing
    // store (locked, read-only, full) leaves everything the teacher typed.
    store.appendQuestion(q);
    dialogs().message(this, u"提示"_s, u"题目信息添加成功"_s);
    f.RichTextBox1->setTextRTF({});
    f.RichTextBox2->setTextRTF({});
    f.Text8->setText(next);
    questionSaved_ = true;
}

void frmadd::Command2_Click()
{
    if (!questionSaved_) {
        if (!dialogs().question(this, u"提示"_s, u"您还没有保存此题！确定退出吗？"_s))
            return;
        questionSaved_ = true;
    }
    hide();
}

void frmadd::Command3_Click()
{
    openEditor(u"编辑题目"_s, form_->RichTextBox1);
}

void frmadd::Command4_Click()
{
    openEditor(u"编辑答案"_s, form_->RichTextBox2);
}

void frmadd::openEditor(const QString& title, QWidget* target)
{
    // One editor serves both bodies; its title says which one it is for now.
    auto* editor = showChildWindow<bjtm>();
    editor->setWindowTitle(title);
    editor->placeBeside(this, target);
}

void frmadd::Command5_Click()
{
    if (!dialogs().question(this, u"提示"_s, u"您是否确定把所有内容全部删除？"_s))
        return;
    const QString entranceExam = form_->Combo3->currentText();
    form_->clear();
    form_->Combo3->setEditText(entranceExam);
}

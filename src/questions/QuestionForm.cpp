#include "questions/QuestionForm.h"

#include "store/BankStore.h"
#include "ui/Clipboard.h"
#include "ui/EditTargets.h"
#include "ui/RichTextBox.h"
#include "ui/TypedComboBox.h"

#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QComboBox* makeCombo(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    // Enter moves the focus on; the text stays exactly as typed.
    makeEditableAsTyped(c);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    return c;
}

QLineEdit* makeLine(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

RichTextBox* makeBox(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new RichTextBox(parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    // The page width stays the same whatever a body holds: stepping from a
    // short question to a long one, or typing past the box's height, does
    // not wrap the text anew.
    b->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return b;
}

void selectAll(QWidget* w)
{
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

// A field is only written when its text changes: paging through the results
// of one knowledge point then redraws the number and the bodies, not every
// field of the path.
void showText(QLineEdit* e, const QString& text)
{
    if (e->text() != text)
        e->setText(text);
}

void showText(QComboBox* c, const QString& text)
{
    if (c->currentIndex() != -1)
        c->setCurrentIndex(-1);
    if (c->currentText() != text)
        c->setEditText(text);
}

} // namespace

QuestionForm::Labels QuestionForm::entryLabels()
{
    return {u"题   型"_s, u"难   度"_s};
}

QuestionForm::Labels QuestionForm::searchLabels()
{
    return {u"题    型"_s, u"难    度"_s};
}

QuestionForm::QuestionForm(const Labels& labels, QWidget* parent)
    : QGroupBox(u"题目信息"_s, parent), Combo1(makeCombo(u"Combo1"_s, {}, this)),
      Text2(makeLine(u"Text2"_s, this)), Text3(makeLine(u"Text3"_s, this)), Text4(makeLine(u"Text4"_s, this)),
      Combo2(makeCombo(u"Combo2"_s, {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}, this)),
      Combo3(makeCombo(u"Combo3"_s, {u"否"_s, u"是"_s}, this)), Text6(makeLine(u"Text6"_s, this)),
      Text7(makeLine(u"Text7"_s, this)), Text8(makeLine(u"Text8"_s, this)),
      RichTextBox1(makeBox(u"RichTextBox1"_s, u"题目内容"_s, this)),
      RichTextBox2(makeBox(u"RichTextBox2"_s, u"题目答案"_s, this))
{
    setObjectName(u"QuestionForm"_s);
    auto* grid = new QGridLayout(this);
    const std::pair<QString, QWidget*> fields[] = {
        {labels.type, Combo1},    {u"一级知识点"_s, Text2},    {u"二级知识点"_s, Text3},
        {u"三级知识点"_s, Text4}, {labels.difficulty, Combo2}, {u"是否中考题"_s, Combo3},
        {u"录 入 人"_s, Text6},   {u"录入时间"_s, Text7},      {u"题目编号"_s, Text8},
    };
    // Three rows of three labelled fields, then the two bodies side by side.
    int i = 0;
    for (const auto& [text, field] : fields) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        grid->addWidget(label, i / 3, (i % 3) * 2);
        grid->addWidget(field, i / 3, (i % 3) * 2 + 1);
        ++i;
    }
    auto* contentLabel = new QLabel(u"题目内容"_s, this);
    auto* answerLabel = new QLabel(u"题目答案"_s, this);
    contentLabel->setBuddy(RichTextBox1);
    answerLabel->setBuddy(RichTextBox2);
    grid->addWidget(contentLabel, 3, 0, 1, 3);
    grid->addWidget(answerLabel, 3, 3, 1, 3);
    grid->addWidget(RichTextBox1, 4, 0, 1, 3);
    grid->addWidget(RichTextBox2, 4, 3, 1, 3);
    grid->setRowStretch(4, 1);

    const QList<QWidget*> chain = enterChain();
    for (qsizetype k = 0; k + 1 < chain.size(); ++k) {
        chain[k]->installEventFilter(this);
        if (auto* combo = qobject_cast<QComboBox*>(chain[k]))
            combo->lineEdit()->installEventFilter(this);
        setTabOrder(chain[k], chain[k + 1]);
    }
    setTabOrder(RichTextBox1, RichTextBox2);

    for (RichTextBox* box : {RichTextBox1, RichTextBox2}) {
        connect(box, &RichTextBox::GotFocus, box, [box] {
            box->setSelStart(0);
            box->setSelLength(int(box->Text().length()));
        });
        connect(box, &RichTextBox::DblClick, this, [this, box] { pasteBack(box); });
    }
}

QList<QWidget*> QuestionForm::enterChain() const
{
    return {Combo1, Text2, Text3, Text4, Combo2, Combo3, Text6, Text7, Text8, RichTextBox1};
}

bool QuestionForm::eventFilter(QObject* watched, QEvent* event)
{
    // A combo box's line edit reports for its combo box.
    QObject* field = watched;
    if (auto* parentCombo = qobject_cast<QComboBox*>(watched->parent());
        parentCombo && parentCombo->lineEdit() == watched)
        field = parentCombo;
    const QList<QWidget*> chain = enterChain();
    const qsizetype at = chain.indexOf(qobject_cast<QWidget*>(field));
    if (at < 0)
        return QGroupBox::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chain[at + 1]->setFocus(Qt::OtherFocusReason);
            return true;
        }
    } else if (event->type() == QEvent::FocusIn && field != Combo3) {
        // After the event: a mouse press that brought the focus would place
        // the caret and undo the selection.
        QTimer::singleShot(0, static_cast<QWidget*>(field),
                           [w = static_cast<QWidget*>(field)] { selectAll(w); });
    }
    return QGroupBox::eventFilter(watched, event);
}

void QuestionForm::loadTypes(BankStore& store)
{
    const QString typed = Combo1->currentText();
    Combo1->clear();
    for (const QuestionType& t : store.questionTypes())
        Combo1->addItem(t.name);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(typed);
}

QuestionRecord QuestionForm::record() const
{
    return {Text8->text(),         Combo1->currentText(),   {Text2->text(), Text3->text(), Text4->text()},
            Combo2->currentText(), RichTextBox1->TextRTF(), RichTextBox2->TextRTF(),
            Combo3->currentText(), Text6->text(),           Text7->text()};
}

QuestionFilter QuestionForm::filter() const
{
    return QuestionFilter::of(record());
}

void QuestionForm::clearFields()
{
    for (QComboBox* c : {Combo1, Combo2, Combo3}) {
        c->setCurrentIndex(-1);
        c->setEditText(QString());
    }
    for (QLineEdit* e : {Text2, Text3, Text4, Text6, Text7, Text8})
        e->clear();
}

void QuestionForm::clear()
{
    clearFields();
    RichTextBox1->setTextRTF({});
    RichTextBox2->setTextRTF({});
}

void QuestionForm::showRecord(const QuestionRecord& q)
{
    showText(Text8, q.number);
    showText(Combo1, q.type);
    showText(Text2, q.path.level1);
    showText(Text3, q.path.level2);
    showText(Text4, q.path.level3);
    showText(Combo2, q.difficulty);
    // Each body is replaced whole; emptying it first would lay it out once more.
    RichTextBox1->setTextRTF(q.content);
    RichTextBox2->setTextRTF(q.answer);
    showText(Combo3, q.entranceExam);
    showText(Text6, q.enteredBy);
    showText(Text7, q.enteredAt);
}

void QuestionForm::useEditMenu(EditTarget content, EditTarget answer)
{
    EditTargets::registerBox(content, RichTextBox1);
    EditTargets::registerBox(answer, RichTextBox2);
    const std::pair<RichTextBox*, std::pair<EditTarget, EditTarget>> boxes[] = {
        {RichTextBox1, {content, answer}}, {RichTextBox2, {answer, content}}};
    for (const auto& [box, targets] : boxes) {
        connect(box, &RichTextBox::MouseUp, this, [box, targets](int button) {
            if (button == 2)
                EditTargets::raise(targets.first, targets.second, box, QCursor::pos());
        });
    }
}

void QuestionForm::pasteBack(RichTextBox* box)
{
    // Only RTF comes back from the editor. Without it the box keeps what it
    // holds: a double click (on a formula, say) must not empty it for nothing.
    const QByteArray rtf = Clipboard::GetText();
    if (rtf.isEmpty())
        return;
    box->setTextRTF({});
    box->setSelRTF(rtf);
    Clipboard::Clear();
}

#include "questions/QuestionBrowsingWindow.h"

#include "questions/KnowledgeTreePicker.h"
#include "store/BankStore.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QuestionBrowsingWindow::QuestionBrowsingWindow(const QuestionForm::Labels& labels, QWidget* parent)
    : QWidget(parent), tv(new QTreeWidget(this)), form_(new QuestionForm(labels, this))
{
    tv->setToolTip(u"在这里依次单击各级知识点即可填入相应的内容"_s);
    picker_ = new KnowledgeTreePicker(tv, form_->Text2, form_->Text3, form_->Text4, this);
}

QString QuestionBrowsingWindow::deletedText()
{
    return u"这道题已被删除。"_s;
}

QSize QuestionBrowsingWindow::sizeHint() const
{
    return twipsSize(11000, 7500);
}

void QuestionBrowsingWindow::loadWindow()
{
    resize(sizeHint());
    move(twipsPoint(500, 150));
    BankStore store = BankStore::openBank();
    picker_->build(store);
    form_->loadTypes(store);
}

QPushButton* QuestionBrowsingWindow::makeButton(const char* name, const QString& caption, const QString& tip)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QGroupBox* QuestionBrowsingWindow::buttonGroup(const QString& caption, const QList<QPushButton*>& buttons,
                                               int columns)
{
    auto* group = new QGroupBox(caption, this);
    auto* grid = new QGridLayout(group);
    for (qsizetype i = 0; i < buttons.size(); ++i)
        grid->addWidget(buttons[i], int(i / columns), int(i % columns));
    return group;
}

void QuestionBrowsingWindow::arrange(QWidget* bottom)
{
    auto* treeGroup = new QGroupBox(u"知识点选项"_s, this);
    auto* treeLayout = new QVBoxLayout(treeGroup);
    treeLayout->setContentsMargins(4, 4, 4, 4);
    treeLayout->addWidget(tv);
    // At least its width of old; a window made larger gives the tree a
    // quarter of the room, so long names and many rows come into view.
    treeGroup->setMinimumWidth(twipsToPixels(2600));

    auto* right = new QVBoxLayout;
    right->addWidget(form_, 1);
    right->addWidget(bottom);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(treeGroup, 1);
    outer->addLayout(right, 3);
}

void QuestionBrowsingWindow::message(const QString& text)
{
    dialogs().message(this, u"提示"_s, text);
}

bool QuestionBrowsingWindow::ask(const QString& text)
{
    return dialogs().question(this, u"提示"_s, text);
}

bool QuestionBrowsingWindow::search()
{
    // A search the store refuses throws here, before anything on show changes.
    if (browser_.search(form_->filter()) == 0) {
        message(u"别逗了，根本没有符合条件的题！"_s);
        return false;
    }
    showStep(browser_.current());
    return true;
}

void QuestionBrowsingWindow::showStep(const QuestionBrowser::Step& step)
{
    switch (step.outcome) {
    case QuestionBrowser::Outcome::Shown:
        form_->showRecord(step.record);
        shownId_ = browser_.currentId();
        break;
    case QuestionBrowser::Outcome::NoRow:
        // Nothing moved: the form shows what it showed.
        message(u"没有啦！真没啦，不信拉倒吧。"_s);
        break;
    case QuestionBrowser::Outcome::Deleted:
        // The fields would otherwise still show the question before it.
        form_->clear();
        forgetShown();
        message(deletedText());
        break;
    }
}

bool QuestionBrowsingWindow::showsCurrent() const
{
    return shownId_ >= 0 && browser_.hasCurrent() && browser_.currentId() == shownId_;
}

#include "questions/bjtm.h"

#include "ui/RichTextBox.h"
#include "ui/RichTextEditor.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

bjtm::bjtm(QWidget* parent)
    : QWidget(parent), Document1(new RichTextEditor(this)), Command1(new QPushButton(u"编  辑"_s, this)),
      Command2(new QPushButton(u"返  回"_s, this))
{
    setObjectName(u"bjtm"_s);
    setWindowTitle(u"编辑题目"_s);
    Document1->setObjectName(u"Document1"_s);
    Command1->setObjectName(u"Command1"_s);
    Command1->setToolTip(u"单击就可进入word"_s);
    Command2->setObjectName(u"Command2"_s);
    Command2->setToolTip(u"单击回到“添加题目”窗口"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addSpacing(40);
    buttons->addWidget(Command2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Document1, 1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &bjtm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &bjtm::Command2_Click);
    focusWatch = connect(qApp, &QApplication::focusChanged, this, &bjtm::onFocusChanged);

    resize(twipsSize(11000, 6500));
    move(twipsPoint(500, 150));
}

bjtm::~bjtm()
{
    // Deleting the document moves the focus away from it while this object
    // is already only a QWidget: the watch must not see that move.
    disconnect(focusWatch);
}

QSize bjtm::sizeHint() const
{
    return twipsSize(11000, 6500);
}

void bjtm::Command1_Click()
{
    // The document opens for editing at once: focus first, so disabling the
    // button does not send the focus elsewhere.
    Document1->box()->SetFocus();
    Command1->setEnabled(false);
}

void bjtm::Command2_Click()
{
    // The document lost the focus to this button, which ends the editing too.
    Command1->setEnabled(true);
    hide();
}

void bjtm::Document1_LostFocus()
{
    Command1->setEnabled(true);
    hide();
}

void bjtm::onFocusChanged(QWidget* old, QWidget* now)
{
    // This window's own controls (the toolbar's font and size boxes, the
    // buttons) keep it open; so do dialogs and pop-ups the document opens (a
    // picture file, the colour menu). Any other control of the program taking
    // the focus ends the editing.
    if (!old || !now || !isVisible() || !Document1->isAncestorOf(old))
        return;
    if (isAncestorOf(now))
        return;
    const Qt::WindowType type = now->window()->windowType();
    if (type == Qt::Dialog || type == Qt::Popup || type == Qt::Sheet || type == Qt::Tool)
        return;
    Document1_LostFocus();
}

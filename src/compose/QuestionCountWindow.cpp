#include "compose/QuestionCountWindow.h"

#include "compose/CompositionState.h"
#include "compose/SHouGong2.h"
#include "compose/SHouGong3.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QuestionCountWindow::QuestionCountWindow(const QString& name, const QString& caption, const QString& hint,
                                         CompositionWizard wizard, QWidget* parent)
    : QWidget(parent), Label1(new QLabel(hint, this)), Command1(new QPushButton(u"开  始"_s, this)),
      Command2(new QPushButton(u"取  消"_s, this)), wizard_(wizard)
{
    setObjectName(name);
    setWindowTitle(caption);
    Label1->setObjectName(u"Label1"_s);
    Label1->setWordWrap(true);
    Command1->setObjectName(u"Command1"_s);
    Command2->setObjectName(u"Command2"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addLayout(buttons);

    resize(sizeHint());
    move(twipsPoint(3500, 2000));

    connectAction(Command1, &QPushButton::clicked, this, &QuestionCountWindow::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &QuestionCountWindow::Command2_Click);
}

void QuestionCountWindow::Command1_Click()
{
    const QuestionCountEntry entry =
        readQuestionCount(dialogs().input(this, u"题目总数"_s, u"请输入试卷的题目总数："_s));
    if (!entry.ok()) {
        dialogs().message(this, u"提示"_s, entry.message);
        return;
    }
    // A new run ends the manual one: its paper is not numbered on.
    if (!SHouGong3::giveUpForNewRun(this))
        return;
    compositionState().startRun(entry.count, wizard_);
    if (auto* manualStep2 = WindowRegistry::instance().existing<SHouGong2>())
        manualStep2->refreshPrompt();
    showCriteriaStep();
    hide();
}

void QuestionCountWindow::Command2_Click()
{
    hide();
}

QSize QuestionCountWindow::sizeHint() const
{
    return twipsSize(4800, 2300);
}

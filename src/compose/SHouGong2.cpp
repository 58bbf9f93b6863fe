#include "compose/SHouGong2.h"

#include "compose/SHouGong3.h"
#include "ui/ChildWindows.h"

#include <QLabel>

using namespace Qt::StringLiterals;

SHouGong2::SHouGong2(QWidget* parent)
    : CriteriaWindow(u"SHouGong2"_s, u"手工组卷向导二"_s, u"单击可以确定各题的查找信息"_s, parent),
      step_(compositionState())
{
}

void SHouGong2::refreshPrompt()
{
    Label7->setText(step_.prompt());
}

void SHouGong2::Command1_Click()
{
    BankStore store = BankStore::openBank();
    const ManualCriteriaStep::Outcome outcome = step_.confirm(criteria(), store);
    if (outcome == ManualCriteriaStep::Outcome::NoMatch ||
        outcome == ManualCriteriaStep::Outcome::NoQuestionLeft ||
        outcome == ManualCriteriaStep::Outcome::RunEnded) {
        message(step_.message(outcome));
        return;
    }
    Label7->setText(step_.prompt());
    if (outcome == ManualCriteriaStep::Outcome::Last)
        message(step_.message(outcome));
    showChildWindow<SHouGong3>()->enableShow();
    hide();
}

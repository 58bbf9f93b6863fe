#include "compose/SHouGong2.h"

#include "compose/SHouGong3.h"
#include "ui/ChildWindows.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

// How step 3 comes back here for the next question: this window, created
// anew when it was discarded meanwhile.
CriteriaWindow* showStep2()
{
    return showChildWindow<SHouGong2>();
}

} // namespace

SHouGong2::SHouGong2(QWidget* parent)
    : CriteriaWindow(u"SHouGong2"_s, u"手工组卷向导二"_s, u"单击可以确定各题的查找信息"_s, parent)
{
}

void SHouGong2::Command1_Click()
{
    if (!run_)
        return;
    const CompositionRun::Outcome outcome = run_->confirm(criteria());
    if (outcome == CompositionRun::Outcome::NoMatch || outcome == CompositionRun::Outcome::NoQuestionLeft ||
        outcome == CompositionRun::Outcome::RunEnded) {
        message(run_->message(outcome));
        return;
    }
    confirmedOnce_ = true;
    Label7->setText(run_->prompt(false));
    if (outcome == CompositionRun::Outcome::Last)
        message(run_->message(outcome));
    showChildWindow<SHouGong3>()->chooseFor(run_, this, &showStep2);
    hide();
}

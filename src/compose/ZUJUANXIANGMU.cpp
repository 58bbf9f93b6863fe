#include "compose/ZUJUANXIANGMU.h"

#include "compose/ZUJUANLIULAN.h"
#include "ui/ChildWindows.h"

#include <QLabel>

using namespace Qt::StringLiterals;

ZUJUANXIANGMU::ZUJUANXIANGMU(QWidget* parent)
    : CriteriaWindow(u"ZUJUANXIANGMU"_s, u"自动组卷向导二：选择每题的项目"_s, u"单击即可输入各题的搜索信息"_s,
                     parent)
{
}

void ZUJUANXIANGMU::Command1_Click()
{
    if (!run_)
        return;
    const CompositionRun::Outcome outcome = run_->confirm(criteria());
    switch (outcome) {
    case CompositionRun::Outcome::NoMatch:
    case CompositionRun::Outcome::NoQuestionLeft:
    case CompositionRun::Outcome::RunEnded:
        message(run_->message(outcome));
        return;
    case CompositionRun::Outcome::Next:
        confirmedOnce_ = true;
        Label7->setText(run_->prompt(false));
        return;
    case CompositionRun::Outcome::Last:
        confirmedOnce_ = true;
        message(run_->message(outcome));
        Label7->setText(run_->prompt(false));
        // The composer draws from the criteria of this run.
        showChildWindow<ZUJUANLIULAN>()->takeRun(run_);
        hide();
        return;
    }
}

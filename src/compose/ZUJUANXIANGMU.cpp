#include "compose/ZUJUANXIANGMU.h"

#include "compose/ZUJUANLIULAN.h"
#include "ui/ChildWindows.h"

#include <QLabel>

using namespace Qt::StringLiterals;

ZUJUANXIANGMU::ZUJUANXIANGMU(QWidget* parent)
    : CriteriaWindow(u"ZUJUANXIANGMU"_s, u"自动组卷向导二：选择每题的项目"_s, u"单击即可输入各题的搜索信息"_s,
                     parent),
      step_(compositionState())
{
}

void ZUJUANXIANGMU::refreshPrompt()
{
    step_.nextQuestion();
    Label7->setText(step_.prompt());
}

void ZUJUANXIANGMU::Command1_Click()
{
    BankStore store = BankStore::openBank();
    const CriteriaStep::Outcome outcome = step_.confirm(criteria(), store);
    switch (outcome) {
    case CriteriaStep::Outcome::NoMatch:
    case CriteriaStep::Outcome::RunEnded:
        message(step_.message(outcome));
        return;
    case CriteriaStep::Outcome::Next:
        Label7->setText(step_.prompt());
        return;
    case CriteriaStep::Outcome::Last:
        message(step_.message(outcome));
        Label7->setText(step_.prompt());
        // The composer keeps the queries of the run it was opened for.
        showChildWindow<ZUJUANLIULAN>()->setQueries(compositionState().CriteriaSqlList);
        hide();
        return;
    }
}

#include "compose/SHouGong1.h"

#include "compose/SHouGong2.h"
#include "ui/ChildWindows.h"

using namespace Qt::StringLiterals;

SHouGong1::SHouGong1(QWidget* parent)
    : QuestionCountWindow(u"SHouGong1"_s, u"手工组卷向导一"_s, u"请按组卷向导的提示输入题目总数…"_s,
                          CompositionWizard::Manual, parent)
{
}

void SHouGong1::showCriteriaStep()
{
    showChildWindow<SHouGong2>()->refreshPrompt();
}

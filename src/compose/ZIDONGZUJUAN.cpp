#include "compose/ZIDONGZUJUAN.h"

#include "compose/ZUJUANXIANGMU.h"
#include "ui/ChildWindows.h"

using namespace Qt::StringLiterals;

ZIDONGZUJUAN::ZIDONGZUJUAN(QWidget* parent)
    : QuestionCountWindow(u"ZIDONGZUJUAN"_s, u"自动组卷向导一:"_s,
                          u"请按组卷向导的提示输入：     题目总数、各题的参数..."_s,
                          CompositionWizard::Automatic, parent)
{
}

void ZIDONGZUJUAN::showCriteriaStep()
{
    showChildWindow<ZUJUANXIANGMU>()->refreshPrompt();
}

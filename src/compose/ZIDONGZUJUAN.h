#pragma once

#include "compose/QuestionCountWindow.h"

// 自动组卷, step 1: the question count.
class ZIDONGZUJUAN : public QuestionCountWindow
{
    Q_OBJECT
public:
    explicit ZIDONGZUJUAN(QWidget* parent = nullptr);

protected:
    void showCriteriaStep(std::shared_ptr<CompositionRun> run) override;
};

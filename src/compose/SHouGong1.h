#pragma once

#include "compose/QuestionCountWindow.h"

// 手工组卷, step 1: the question count.
class SHouGong1 : public QuestionCountWindow
{
    Q_OBJECT
public:
    explicit SHouGong1(QWidget* parent = nullptr);

protected:
    void showCriteriaStep(std::shared_ptr<CompositionRun> run) override;
};

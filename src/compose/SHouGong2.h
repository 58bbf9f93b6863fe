#pragma once

#include "compose/CriteriaWindow.h"

// 手工组卷, step 2: the criteria of one question; the browse window then picks
// the question and brings this window back for the next one.
class SHouGong2 : public CriteriaWindow
{
    Q_OBJECT
public:
    explicit SHouGong2(QWidget* parent = nullptr);

    void Command1_Click() override;
};

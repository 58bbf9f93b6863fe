#pragma once

#include "compose/CriteriaWindow.h"

// 自动组卷, step 2: the criteria of questions 1..N in turn; after the last one
// the composer takes them over.
class ZUJUANXIANGMU : public CriteriaWindow
{
    Q_OBJECT
public:
    explicit ZUJUANXIANGMU(QWidget* parent = nullptr);

    void Command1_Click() override;
};

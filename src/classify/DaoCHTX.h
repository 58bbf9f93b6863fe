#pragma once

#include "classify/ClassificationExportWindow.h"

// 导出题型到WORD: the question types as a numbered list (exportQuestionTypes).
class DaoCHTX : public ClassificationExportWindow
{
    Q_OBJECT
public:
    explicit DaoCHTX(QWidget* parent = nullptr);

protected:
    void exportInto(BankStore& store, QTextDocument* doc) override;
};

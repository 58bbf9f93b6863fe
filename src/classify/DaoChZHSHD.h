#pragma once

#include "classify/ClassificationExportWindow.h"

// 导出知识点到WORD: the knowledge-point classification as a numbered,
// indented outline (exportKnowledgePoints).
class DaoChZHSHD : public ClassificationExportWindow
{
    Q_OBJECT
public:
    explicit DaoChZHSHD(QWidget* parent = nullptr);

protected:
    void exportInto(BankStore& store, QTextDocument* doc) override;
};

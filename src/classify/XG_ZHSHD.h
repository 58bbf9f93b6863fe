#pragma once

#include "classify/ClassificationEditor.h"

// 编辑知识点: the rows of 知识点表, each a path of three names, listed, added
// and deleted. Text1, Text3 and Text4 hold 一级知识点, 二级知识点 and 三级知识点.
class XG_ZHSHD : public ClassificationEditor
{
    Q_OBJECT
public:
    // Loads the grid from the bank. Throws StoreError.
    explicit XG_ZHSHD(QWidget* parent = nullptr);

    QLineEdit* Text3;
    QLineEdit* Text4;

protected:
    void addRow(BankStore& store, const QStringList& names) override;
    void deleteRows(BankStore& store, const QStringList& names) override;
};

#pragma once

#include "classify/ClassificationEditor.h"

// 编辑知识点: the rows of 知识点表, each a path of three names, listed, added,
// deleted and renamed. Text1, Text3 and Text4 hold 一级知识点, 二级知识点 and
// 三级知识点; 重命名 renames the point whose name was typed over, with every
// path under it.
class XG_ZHSHD : public ClassificationEditor
{
    Q_OBJECT
public:
    // Loads the grid from the bank. Throws StoreError.
    explicit XG_ZHSHD(QWidget* parent = nullptr);

    QLineEdit* Text3;
    QLineEdit* Text4;

protected:
    qint64 addRow(BankStore& store, const QStringList& names) override;
    void deleteRows(BankStore& store, const QStringList& names) override;
    int rowsHolding(BankStore& store, const QStringList& names) override;
    QString quoted(const QStringList& names) const override;
    Rename planRename(const QStringList& chosen, const QStringList& typed) override;
};

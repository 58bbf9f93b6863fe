#pragma once

#include "classify/ClassificationEditor.h"

// 编辑题型: the rows of 题型表 listed, added, deleted and renamed; the
// two-column twin of 编辑知识点. Text1 holds the type.
class XG_TiXing : public ClassificationEditor
{
    Q_OBJECT
public:
    // Loads the grid from the bank. Throws StoreError.
    explicit XG_TiXing(QWidget* parent = nullptr);

protected:
    qint64 addRow(BankStore& store, const QStringList& names) override;
    void deleteRows(BankStore& store, const QStringList& names) override;
    int rowsHolding(BankStore& store, const QStringList& names) override;
    QString quoted(const QStringList& names) const override;
    Rename planRename(const QStringList& chosen, const QStringList& typed) override;
};

#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// 恢复题库: replaces the bank's content by a bank file the user picks, after
// checking that it is one and keeping the bank as it was beside it. Only
// 退  出 closes it.
class HFTKU : public QWidget
{
    Q_OBJECT
public:
    explicit HFTKU(QWidget* parent = nullptr);

    void Command1_Click(); // 选择
    void Command3_Click(); // 开始恢复
    void Command4_Click(); // 退  出

    QSize sizeHint() const override;

    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command4;
};

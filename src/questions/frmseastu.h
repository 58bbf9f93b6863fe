#pragma once

#include "questions/QuestionBrowsingWindow.h"

// 查询、浏览: finds questions by any of the nine fields and steps through
// them. Reads only; nothing here writes to the bank.
class frmseastu : public QuestionBrowsingWindow
{
    Q_OBJECT
public:
    // Loads the tree and the types from the bank. Throws StoreError.
    explicit frmseastu(QWidget* parent = nullptr);

    void Command6_Click(); // 开始搜索
    void Command2_Click(); // 第一个
    void Command7_Click(); // 上一个
    void Command5_Click(); // 下一个
    void Command3_Click(); // 最后一个
    void Command1_Click(); // 总  数
    void Command8_Click(); // 全部清除
    void Command4_Click(); // 退  出

private:
    void setResultButtonsEnabled(bool on);

    QPushButton* Command6;
    QPushButton* Command8;
    QPushButton* Command2;
    QPushButton* Command7;
    QPushButton* Command5;
    QPushButton* Command3;
    QPushButton* Command1;
    QPushButton* Command4;
};

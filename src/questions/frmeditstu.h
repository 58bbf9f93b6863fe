#pragma once

#include "questions/QuestionBrowsingWindow.h"

// 修改题目: the search of 查询、浏览, and the shown question corrected or
// deleted. Changes go to the question last shown, by its identity; the number
// in 题目编号 is only written and quoted, it never picks the question.
class frmeditstu : public QuestionBrowsingWindow
{
    Q_OBJECT
public:
    // Loads the tree and the types from the bank. Throws StoreError.
    explicit frmeditstu(QWidget* parent = nullptr);

    // Asked before modify or delete when there is no question to change.
    static QString noCurrentText();

    void Command6_Click(); // 开始搜索
    void Command1_Click(); // 第一个
    void Command7_Click(); // 上一个
    void Command5_Click(); // 下一个
    void Command8_Click(); // 最后一个
    void Command2_Click(); // 修改题目
    void Command3_Click(); // 删除题目
    void Command9_Click(); // 全部清除
    void Command4_Click(); // 退  出

private:
    // The number must be typed and the question must still exist.
    bool canChange(const QString& missingNumberText);

    QPushButton* Command6;
    QPushButton* Command9;
    QPushButton* Command1;
    QPushButton* Command7;
    QPushButton* Command5;
    QPushButton* Command8;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
};

#pragma once

#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;

// 合并题库: appends every question of another bank file to the bank, under new
// question numbers, in one transaction. A long merge shows its progress.
class HBTiKu : public QWidget
{
    Q_OBJECT
public:
    explicit HBTiKu(QWidget* parent = nullptr);

    // A merge of more questions than this shows a progress bar.
    static constexpr qint64 kProgressFrom = 3000;

    void Command1_Click(); // 选择
    void Command3_Click(); // 开始合并
    void Command4_Click(); // 退  出

    QSize sizeHint() const override;

    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command4;
    QProgressBar* ProgressBar1;

private:
    void showProgress(qint64 done, qint64 total);
};

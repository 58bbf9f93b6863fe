#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// 备份题库: copies the bank to a file the user names. Only 退  出 closes it.
class frmbackup : public QWidget
{
    Q_OBJECT
public:
    explicit frmbackup(QWidget* parent = nullptr);

    // The filter of the file dialogs of the three maintenance windows.
    static QString fileFilter();

    void Command2_Click(); // 选择
    void Command3_Click(); // 开始备份
    void Command4_Click(); // 退  出

    QSize sizeHint() const override;

    QLineEdit* Text2;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
};

#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

// 添加人员: adds a user with a password and a role. 退出 only hides the
// window, so what was typed is still there the next time it is shown.
class GuanLiTJ : public QWidget
{
    Q_OBJECT
public:
    explicit GuanLiTJ(QWidget* parent = nullptr);

    void Command1_Click(); // 添加
    void Command2_Click(); // 退出

    QSize sizeHint() const override;

    QLineEdit* NameTxt;
    QLineEdit* Password;
    QLineEdit* Text1; // 确认口令
    QComboBox* UTypes;
    QPushButton* Command1;
    QPushButton* Command2;

private:
    void fail(const QString& text, QWidget* focus);
};

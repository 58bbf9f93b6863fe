#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

// 修改: the logged-in user proves the current password (打开), then gives a
// new one twice (修改); a super administrator may also change the role. 退出
// closes the window, so it starts from its load steps the next time.
class GuanLiXG : public QWidget
{
    Q_OBJECT
public:
    explicit GuanLiXG(QWidget* parent = nullptr);

    void Command1_Click(); // 打开
    void Command3_Click(); // 修改
    void Command2_Click(); // 退出

    QSize sizeHint() const override;

    QLineEdit* Text3; // 姓名, not editable
    QLineEdit* Text2; // 口令
    QLineEdit* Text1; // 确认口令
    QComboBox* Combo1;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command2;

private:
    void Form_Load();
    void fail(const QString& title, const QString& text);

    QString openedRole_;   // the role read by 打开, shown in the confirmation
    qint64 openedId_ = -1; // the row whose password 打开 proved: 修改 writes that one
};

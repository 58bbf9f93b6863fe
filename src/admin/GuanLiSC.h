#pragma once

#include "admin/UserAdministration.h"
#include "store/BankRecords.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

// 删除人员: steps through the users one by one and deletes the one shown. The
// position survives closing the window (UserAdministration::browsePosition).
class GuanLiSC : public QWidget
{
    Q_OBJECT
public:
    explicit GuanLiSC(QWidget* parent = nullptr);

    // What the password box shows for a user: stored passwords are hashes,
    // and a hash is nothing to show.
    static QString passwordMask();

    void Command1_Click(); // 下一个
    void Command3_Click(); // 上一个
    void Command2_Click(); // 删  除
    void Command4_Click(); // 退  出

    QSize sizeHint() const override;

    QLineEdit* Text3; // 姓名
    QLineEdit* Text2; // 口令
    QComboBox* Combo1;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command2;
    QPushButton* Command4;

private:
    void emptyBoxes();
    void showUser(const StoredUser& user);
    // The user 删  除 takes: the one shown while the name box still holds
    // its name; otherwise -1, and the name typed decides.
    qint64 shownId() const;
    // Says why nothing was deleted.
    void refuse(const UserAdministration::DeletePlan& plan, const QString& name);

    StoredUser shown_; // the user last shown (id -1: none)
};

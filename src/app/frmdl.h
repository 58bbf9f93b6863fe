#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// The login window: a name and a password checked against the users of the bank.
class frmdl : public QWidget
{
    Q_OBJECT
public:
    explicit frmdl(QWidget* parent = nullptr);

public slots:
    void Commok_Click();
    void Commcancel_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void warn(const QString& text);
    // The bank cannot be used (`problem` says why): offers to restore it
    // from the newest good automatic backup or from a file the teacher
    // picks. True when it was restored.
    bool offerRestore(const QString& problem);

    QLineEdit* Text1;
    QLineEdit* Text2;
    QPushButton* Commok;
    QPushButton* Commcancel;
    bool loggedIn_ = false;
    bool bankLookedAt_ = false;
};

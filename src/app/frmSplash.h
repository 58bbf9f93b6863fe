#pragma once

#include <QWidget>

class QPushButton;

// The about window: product, version and a hint; 确定 (or a click anywhere,
// or any key) goes on to the login, 退出 leaves.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

public slots:
    void Command1_Click();
    void Command2_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool leaving_ = false;
};

#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QTimer;

// The borderless cover: draws its picture with a fan of lines from the bottom
// right corner, then opens the about window and closes.
class CoverFrm : public QWidget
{
    Q_OBJECT
public:
    explicit CoverFrm(QWidget* parent = nullptr);

    const QImage& canvas() const { return canvas_; }
    QLabel* picShow() const { return picShow_; }
    QTimer* tmControl() const { return tmControl_; }

    // Pause after each column of the sweep, so the effect can be seen; tests set 0.
    static void setColumnDelay(int ms);

public slots:
    void tmControl_Timer();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();

    QLabel* picShow_;
    QTimer* tmControl_;
    QImage picture_;
    QImage canvas_;
};

#include "app/CoverFrm.h"

#include "app/CoverArt.h"
#include "app/frmSplash.h"
#include "app/RevealPicture.h"
#include "ui/StoreAction.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
int columnDelayMs = 4;
}

void CoverFrm::setColumnDelay(int ms)
{
    columnDelayMs = ms;
}

CoverFrm::CoverFrm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), picShow_(new QLabel(this)),
      tmControl_(new QTimer(this))
{
    setObjectName(u"CoverFrm"_s);
    setWindowTitle(u"软件封面的设计"_s);
    picShow_->setObjectName(u"picShow"_s);
    tmControl_->setObjectName(u"tmControl"_s);
    tmControl_->setInterval(100);
    connectAction(tmControl_, &QTimer::timeout, this, &CoverFrm::tmControl_Timer);
    Form_Load();
    tmControl_->start();
}

void CoverFrm::Form_Load()
{
    // The picture box keeps its image to read pixels from, and stays hidden.
    picture_ = drawCoverPicture();
    picShow_->setPixmap(QPixmap::fromImage(picture_));
    picShow_->setGeometry(0, 0, picture_.width(), picture_.height());
    picShow_->hide();

    setFixedSize(picShow_->size());
    canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(QColor(0, 0, 0));
    setAutoFillBackground(false);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void CoverFrm::tmControl_Timer()
{
    tmControl_->stop(); // the sweep runs once
    const int cornerX = picShow_->width() + picShow_->x();
    const int cornerY = picShow_->height() + picShow_->y();
    revealPicture(picture_, canvas_, qint16(cornerX), qint16(cornerY), 0, 0, colorToDecimal(QColor(0, 0, 0)),
                  [this] {
                      update();
                      QElapsedTimer t;
                      t.start();
                      do {
                          QApplication::processEvents(QEventLoop::AllEvents, columnDelayMs);
                      } while (t.elapsed() < columnDelayMs);
                  });
    update();

    auto* about = WindowRegistry::instance().window<frmSplash>();
    about->show();
    close();
}

void CoverFrm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
}

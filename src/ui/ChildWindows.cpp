#include "ui/ChildWindows.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

namespace {

QPointer<QMdiArea> clientArea;

// Hides the frame when its child hides itself, so no empty frame stays on
// screen. QMdiSubWindow already shows itself again with the child.
class FrameFollower final : public QObject
{
public:
    explicit FrameFollower(QMdiSubWindow* frame) : QObject(frame), frame_(frame) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A minimised or shaded frame hides its child itself; that is no
        // reason to hide the frame.
        if (event->type() == QEvent::HideToParent && frame_->widget() == watched && !frame_->isShaded() &&
            !frame_->isMinimized())
            frame_->hide();
        return false;
    }

private:
    QMdiSubWindow* frame_;
};

// Moves `frame` to `pos`, pulled back into the client area as far as it fits.
void placeInside(QMdiSubWindow* frame, QPoint pos, const QRect& area)
{
    pos.setX(std::max(0, std::min(pos.x(), area.width() - frame->width())));
    pos.setY(std::max(0, std::min(pos.y(), area.height() - frame->height())));
    frame->move(pos);
}

} // namespace

void setChildWindowArea(QMdiArea* area)
{
    clientArea = area;
}

QMdiArea* childWindowArea()
{
    return clientArea.data();
}

QMdiSubWindow* childFrame(const QWidget* child)
{
    auto* frame = child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
    return frame && frame->widget() == child ? frame : nullptr;
}

QMdiSubWindow* showChild(QWidget* child, bool created, bool closeBox)
{
    if (!clientArea) {
        if (created)
            child->setAttribute(Qt::WA_DeleteOnClose);
        child->show();
        child->raise();
        return nullptr;
    }

    QMdiSubWindow* frame = nullptr;
    // Taken before the frame exists: afterwards the child sits inside it.
    const bool wantsPosition = child->testAttribute(Qt::WA_Moved);
    const QPoint wantedPos = child->pos();
    const QSize wantedSize = child->size();
    if (created) {
        Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (closeBox)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        child->setAttribute(Qt::WA_DeleteOnClose);
        frame = clientArea->addSubWindow(child, flags);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        child->installEventFilter(new FrameFollower(frame));
        // Closing the child itself (its own close, or discarding it) takes its frame along.
        QObject::connect(child, &QObject::destroyed, frame, &QObject::deleteLater);
    } else {
        frame = childFrame(child);
    }
    child->show();
    if (!frame)
        return nullptr;
    frame->show();
    if (created) {
        // A child keeps the size it gave itself; the frame goes around it.
        const QSize margins = frame->size() - child->size();
        frame->resize(frame->size().expandedTo(wantedSize + margins));
        placeInside(frame, wantsPosition ? wantedPos : frame->pos(), clientArea->viewport()->rect());
    }
    frame->raise();
    clientArea->setActiveSubWindow(frame);
    return frame;
}

QWidget* showChildWindow(const QString& name, const std::function<QWidget*()>& make, bool closeBox)
{
    bool created = false;
    QWidget* w = WindowRegistry::instance().window(name, make, &created);
    showChild(w, created, closeBox);
    return w;
}

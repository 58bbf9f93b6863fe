#pragma once

#include "ui/WindowRegistry.h"

#include <functional>
#include <QString>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// Child windows live in the main window's client area. The main window hands
// its area over once; from then on any window can open another as a child
// without knowing the main window.
//
// A child gives itself its size and, with move() before it is first shown,
// its position: where its frame's top left corner goes in the client area,
// kept inside the area as far as the frame fits. A child that hides itself
// takes its frame along and brings it back when shown again. The close box
// discards child and frame alike.

void setChildWindowArea(QMdiArea* area);
QMdiArea* childWindowArea();

// Shows `child`: a `created` one is framed and placed (with a close box when
// `closeBox`); an existing one, perhaps hidden, comes back as it was. Without
// a client area the child shows as a window of its own. Returns the frame, or
// nullptr without a client area.
QMdiSubWindow* showChild(QWidget* child, bool created, bool closeBox = true);

// The frame around a child shown in the client area, or nullptr.
QMdiSubWindow* childFrame(const QWidget* child);

// The one window called `name`, made by `make` the first time, shown as a child.
QWidget* showChildWindow(const QString& name, const std::function<QWidget*()>& make, bool closeBox = true);

template <class W> W* showChildWindow(bool closeBox = true)
{
    bool created = false;
    W* w = WindowRegistry::instance().window<W>(&created);
    showChild(w, created, closeBox);
    return w;
}

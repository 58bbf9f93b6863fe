#include "ui/WindowRegistry.h"

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::discardAll()
{
    const auto windows = windows_;
    windows_.clear();
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}

int WindowRegistry::aliveCount() const
{
    int n = 0;
    for (const QPointer<QWidget>& w : windows_)
        n += w.isNull() ? 0 : 1;
    return n;
}

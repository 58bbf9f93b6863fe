#include "ui/WindowRegistry.h"

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

QWidget* WindowRegistry::existing(const QString& name) const
{
    const auto it = windows_.find(name);
    return it == windows_.end() ? nullptr : it->data();
}

QWidget* WindowRegistry::window(const QString& name, const std::function<QWidget*()>& make, bool* created)
{
    if (QWidget* w = existing(name)) {
        if (created)
            *created = false;
        return w;
    }
    QWidget* w = make();
    windows_.insert(name, QPointer<QWidget>(w));
    if (created)
        *created = true;
    return w;
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

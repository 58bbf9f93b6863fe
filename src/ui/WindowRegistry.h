#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <typeindex>

// Keeps each window of the program at most once. A window is created on first
// use and found again afterwards. Hiding keeps it (and all its fields) alive;
// discarding it (the close box, with WA_DeleteOnClose) destroys it, and the
// next use creates it anew.
class WindowRegistry
{
public:
    static WindowRegistry& instance();

    // The existing window of type W, or nullptr when there is none.
    template <class W>
    W* existing() const
    {
        const auto it = windows_.find(std::type_index(typeid(W)));
        return it == windows_.end() ? nullptr : qobject_cast<W*>(it->data());
    }

    // The existing window of type W, or a new one made by `make`. `created`
    // tells the caller whether it has to place a new window (an MDI child, say).
    template <class W>
    W* window(const std::function<W*()>& make, bool* created = nullptr)
    {
        if (W* w = existing<W>()) {
            if (created)
                *created = false;
            return w;
        }
        W* w = make();
        windows_.insert(std::type_index(typeid(W)), QPointer<QWidget>(w));
        if (created)
            *created = true;
        return w;
    }

    // Destroys every window still alive (the program is ending).
    void discardAll();
    int aliveCount() const;

private:
    QHash<std::type_index, QPointer<QWidget>> windows_;
};

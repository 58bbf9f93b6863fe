#pragma once

#include <functional>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

// Keeps each window of the program at most once, under its window name (the
// class name of a window class). A window is created on first use and found
// again afterwards. Hiding keeps it (and all its fields) alive; discarding it
// (the close box, with WA_DeleteOnClose) destroys it, and the next use
// creates it anew.
class WindowRegistry
{
public:
    static WindowRegistry& instance();

    QWidget* existing(const QString& name) const;
    // The existing window called `name`, or a new one made by `make`. `created`
    // tells the caller whether it has to place a new window (an MDI child, say).
    QWidget* window(const QString& name, const std::function<QWidget*()>& make, bool* created = nullptr);

    template <class W> W* existing() const
    {
        return qobject_cast<W*>(existing(QString::fromLatin1(W::staticMetaObject.className())));
    }

    template <class W> W* window(bool* created = nullptr)
    {
        return static_cast<W*>(window(
            QString::fromLatin1(W::staticMetaObject.className()), [] { return new W; }, created));
    }

    // Destroys every window still alive (the program is ending).
    void discardAll();
    int aliveCount() const;

private:
    QHash<QString, QPointer<QWidget>> windows_;
};

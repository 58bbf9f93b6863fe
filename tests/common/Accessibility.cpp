#include "common/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

bool isInput(const QWidget* w)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->isCheckable();
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QAbstractSlider*>(w);
}

void collect(const QWidget* parent, QStringList& unnamed)
{
    for (const QObject* o : parent->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        if (!isInput(w)) {
            collect(w, unnamed);
            continue;
        }
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(w));
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << u"%1 (%2)"_s.arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    }
}

} // namespace

QStringList unnamedInputs(const QWidget* window)
{
    QStringList unnamed;
    collect(window, unnamed);
    return unnamed;
}

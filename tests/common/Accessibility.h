#pragma once

#include <QStringList>

class QWidget;

// The controls of `window` a user types into or chooses from (line edits,
// text boxes, combo and spin boxes, lists, tables and trees, check and radio
// buttons, sliders) that assistive technology finds no name for, each as
// "objectName (class)". A control's own parts (the line edit inside a spin
// box, say) are not counted apart. Use as
//     QCOMPARE(unnamedInputs(window), QStringList());
QStringList unnamedInputs(const QWidget* window);

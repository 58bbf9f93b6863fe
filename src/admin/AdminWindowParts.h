#pragma once

// The pieces the administration windows are made of: named buttons, text and
// password boxes, labels that name their boxes, and the placement in twips.

#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace AdminWindowParts {

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip = {});
// A text box; a password box shows every character as "*".
QLineEdit* textBox(QWidget* parent, const char* name);
QLineEdit* passwordBox(QWidget* parent, const char* name);
// A label that names `buddy` (for screen readers too).
QLabel* label(QWidget* parent, const QString& text, QWidget* buddy = nullptr);
// A heading in large bold type.
QLabel* heading(QWidget* parent, const QString& text);
// Sizes `window` and asks for its place in the main window's client area, in twips.
void place(QWidget* window, int left, int top, int width, int height);

} // namespace AdminWindowParts

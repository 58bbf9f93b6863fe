#pragma once

// The pieces the administration windows are made of: named buttons, text and
// password boxes, labels that name their boxes, and the placement in twips.

#include <QString>

class QGroupBox;
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
// The frame Frame1 where a bank file is chosen: a label naming the read-only
// box `path`, the box, and the button `choose`.
QGroupBox* fileFrame(QWidget* parent, const QString& tip, const QString& label, QLineEdit* path,
                     QPushButton* choose);
// The frame Frame2 holding the window's two buttons, centred.
QGroupBox* actionFrame(QWidget* parent, const QString& title, QPushButton* start, QPushButton* quit);
// Sizes `window` and asks for its place in the main window's client area, in twips.
void place(QWidget* window, int left, int top, int width, int height);

} // namespace AdminWindowParts

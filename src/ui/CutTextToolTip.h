#pragma once

class QLineEdit;
class QTreeWidget;

// Names cut by a narrow field or tree show whole in a tooltip when the mouse
// rests on them. Where nothing is cut, the control's own tooltip (or its
// parent's) shows as before.

// A line edit whose text is wider than its room.
void showCutTextInToolTip(QLineEdit* field);
// An item of the tree whose text runs past the edge of the view (a long name
// deep in the tree, or a tree scrolled sideways).
void showCutTextInToolTip(QTreeWidget* tree);

// Whether `field` shows only part of its text.
bool isTextCut(const QLineEdit* field);

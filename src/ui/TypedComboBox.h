#pragma once

class QComboBox;

// Makes `box` an editable drop-down that holds exactly what the teacher
// typed. Qt's editable combo box completes from its list as one types ("选择"
// becomes "选择题" before Enter is even pressed) and, when the focus leaves,
// swaps the text for a list item that matches it without regard to Latin
// case ("a" becomes "A"); both would store or search something else than
// was typed. Enter adds nothing to the list either. Every editable list of a
// question's fields goes through here.
void makeEditableAsTyped(QComboBox* box);

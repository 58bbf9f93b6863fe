#include "ui/TypedComboBox.h"

#include <QComboBox>

void makeEditableAsTyped(QComboBox* box)
{
    // setEditable makes a new line edit with a new completer: it comes first.
    box->setEditable(true);
    // Without a completer the box also compares with its items case-sensitively,
    // so only an item equal to the text is taken when editing ends.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
}

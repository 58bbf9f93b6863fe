#pragma once

#include <optional>
#include <QString>
#include <QStringList>

class QWidget;

// Every message box, question, input box and file dialog of the program goes
// through this interface, so that tests can answer them without a real window.
class Dialogs
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, YesNo };

    virtual ~Dialogs() = default;

    // A message with an OK button.
    virtual void message(QWidget* parent, const QString& title, const QString& text,
                         Icon icon = Icon::None) = 0;
    // A confirmation with Yes and No buttons; true when the answer is Yes.
    virtual bool question(QWidget* parent, const QString& title, const QString& text,
                          Icon icon = Icon::None) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                         const QString& defaultText = {}) = 0;
    // File pickers; the empty string when cancelled. `filter` is in Qt's
    // "Name (*.ext);;Other (*)" form.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                                 const QString& filter = {}) = 0;
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter = {}) = 0;
};

// The dialogs in use: real boxes unless a test installed its own.
Dialogs& dialogs();
// Installs `d` (not owned) as the dialogs in use; nullptr goes back to the real boxes.
void setDialogs(Dialogs* d);
// The installed dialogs, or nullptr while the real boxes are in use.
Dialogs* installedDialogs();

// Qt's own texts (the labels and buttons of the file dialogs, the standard
// buttons, the edit menus of text boxes) in Chinese, as the program's own.
// False when Qt's Chinese translation is not installed: they stay English.
bool useChineseQtTexts();

// Shortcuts for the common cases.
inline void messageBox(QWidget* parent, const QString& title, const QString& text,
                       Dialogs::Icon icon = Dialogs::Icon::None)
{
    dialogs().message(parent, title, text, icon);
}

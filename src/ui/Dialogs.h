#pragma once

#include <memory>
#include <optional>
#include <QString>
#include <QStringList>

class QFileDialog;
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
    // "Name (*.ext);;Other (*)" form. `selectedFilter`, when given, names the
    // type shown first and receives the type the user chose.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                                 const QString& filter = {}, QString* selectedFilter = nullptr) = 0;
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter = {}) = 0;
};

// The dialogs in use: real boxes unless a test installed its own.
Dialogs& dialogs();
// Installs `d` (not owned) as the dialogs in use; nullptr goes back to the real boxes.
void setDialogs(Dialogs* d);
// The installed dialogs, or nullptr while the real boxes are in use.
Dialogs* installedDialogs();

// Qt's own texts (the labels and buttons of the file dialogs, the standard
// buttons, the edit menus of text boxes) in Chinese, as the program's own,
// and Chinese (zh_CN) as the program's locale, so that dates and sizes read
// the Chinese way (2026/12/8). False when Qt's Chinese translation is not
// installed: Qt's texts stay English.
bool useChineseQtTexts();

// The save dialog the program shows, made but not shown: Qt's own dialog
// where the system has none of its own, its list of files in Chinese (文件夹,
// dates as 2026/12/8 9:30, sizes in 字节 and KiB). `proposedPath` gives the
// folder it opens in and the name it proposes.
std::unique_ptr<QFileDialog> makeSaveDialog(QWidget* parent, const QString& title,
                                            const QString& proposedPath, const QString& filter);
// The open dialog the program shows, the same way.
std::unique_ptr<QFileDialog> makeOpenDialog(QWidget* parent, const QString& title, const QString& filter);

// Asks where to save: the save dialog proposes `fileName` in the folder the
// current user of the program saved into last (remembered in the program's
// settings; the Documents folder the first time or when that folder is
// gone), with the type of `filter` that fits its extension shown first. A
// name typed without an extension gets the one of the type chosen ("All
// files (*.*)" and no filter add none). The chosen file's folder is
// remembered for the next time. The empty string when cancelled.
QString askSaveFileName(QWidget* parent, const QString& title, const QString& fileName,
                        const QString& filter = {});
// The folder askSaveFileName opens in for the current user.
QString lastSaveFolder();
// `base` with today's date and the extension: 试卷-20261208.rtf.
QString datedFileName(const QString& base, const QString& extension);

// Shortcuts for the common cases.
inline void messageBox(QWidget* parent, const QString& title, const QString& text,
                       Dialogs::Icon icon = Dialogs::Icon::None)
{
    dialogs().message(parent, title, text, icon);
}

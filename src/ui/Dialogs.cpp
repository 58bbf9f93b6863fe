#include "ui/Dialogs.h"

#include "store/CurrentUser.h"
#include "store/ProgramSettings.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Texts of Qt's file dialogs that Qt's Chinese translation lacks (the types
// in its list of files) or words unlike a Chinese system (体积 for a file's
// size). Asked before that translation; any other text falls through to it.
class MissingQtTexts final : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!context || !sourceText)
            return {};
        if (std::strcmp(context, "QFileSystemModel") == 0 && std::strcmp(sourceText, "Size") == 0)
            return u"大小"_s;
        if (std::strcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const std::pair<const char*, const char*> texts[] = {
            {"Folder", "文件夹"},   {"Directory", "文件夹"},  {"Drive", "驱动器"}, {"File", "文件"},
            {"%1 File", "%1 文件"}, {"Shortcut", "快捷方式"}, {"Alias", "替身"},
        };
        for (const auto& [english, chinese] : texts) {
            if (std::strcmp(sourceText, english) == 0)
                return QString::fromUtf8(chinese);
        }
        return {};
    }
};

// The list of files of Qt's own file dialog with its sizes and dates in the
// program's locale: the file system model writes them in the system's,
// which is English on a machine set up without a Chinese locale.
class ChineseFileList final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    enum Column { Name, Size, Type, Modified };

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files && role == Qt::DisplayRole && (index.column() == Size || index.column() == Modified)) {
            const QModelIndex source = mapToSource(index);
            const QLocale locale;
            if (index.column() == Modified)
                return locale.toString(files->lastModified(source), QLocale::ShortFormat);
            return files->isDir(source) ? QString() : locale.formattedDataSize(files->size(source));
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// The entry of `filter` whose patterns hold *.suffix, or the first entry.
QString filterEntryFor(const QString& filter, const QString& suffix)
{
    const QStringList entries = filter.split(u";;"_s, Qt::SkipEmptyParts);
    if (!suffix.isEmpty()) {
        const QString pattern = u"*."_s + suffix;
        for (const QString& entry : entries) {
            const qsizetype open = entry.lastIndexOf(u'(');
            const QStringList patterns =
                entry.mid(open + 1).chopped(entry.endsWith(u')') ? 1 : 0).split(u' ');
            if (patterns.contains(pattern, Qt::CaseInsensitive))
                return entry;
        }
    }
    return entries.value(0);
}

// The extension of a filter entry's first pattern: "rtf" for
// "RTF Files (*.rtf)", nothing for "All files (*.*)".
QString extensionOf(const QString& filterEntry)
{
    static const QRegularExpression firstPattern(u"\\(\\*\\.([^\\s;*)]+)"_s);
    return firstPattern.match(filterEntry).captured(1);
}

// `path` with `extension` added when its file name has none. A folder chosen
// as the file stays as it is: saving into it fails and says so, rather than
// writing a file beside it.
QString withExtension(const QString& path, const QString& extension)
{
    const QFileInfo file(path);
    if (extension.isEmpty() || !file.suffix().isEmpty() || file.isDir())
        return path;
    return path.endsWith(u'.') ? path + extension : path + u'.' + extension;
}

// Each user of the program has a folder of their own: teachers sharing a
// computer and its system account keep their papers apart.
QString saveFolderKey()
{
    const QString user = CurrentUser().userName;
    return u"saveFolder/"_s + (user.isEmpty() ? u"-"_s : QString::fromLatin1(QUrl::toPercentEncoding(user)));
}

class RealDialogs final : public Dialogs
{
public:
    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
        box.button(QMessageBox::Ok)->setText(u"确定"_s);
        box.exec();
    }

    bool question(QWidget* parent, const QString& title, const QString& text, Icon icon) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.button(QMessageBox::Yes)->setText(u"是(&Y)"_s);
        box.button(QMessageBox::No)->setText(u"否(&N)"_s);
        return box.exec() == QMessageBox::Yes;
    }

    std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& defaultText) override
    {
        QInputDialog box(parent);
        box.setWindowTitle(title);
        box.setLabelText(prompt);
        box.setTextValue(defaultText);
        box.setOkButtonText(u"确定"_s);
        box.setCancelButtonText(u"取消"_s);
        if (box.exec() != QDialog::Accepted)
            return std::nullopt;
        return box.textValue();
    }

    QString saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                         const QString& filter, QString* selectedFilter) override
    {
        const std::unique_ptr<QFileDialog> dialog = makeSaveDialog(parent, title, proposedName, filter);
        if (selectedFilter && !selectedFilter->isEmpty())
            dialog->selectNameFilter(*selectedFilter);
        if (dialog->exec() != QDialog::Accepted)
            return {};
        if (selectedFilter)
            *selectedFilter = dialog->selectedNameFilter();
        return dialog->selectedFiles().value(0);
    }

    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override
    {
        const std::unique_ptr<QFileDialog> dialog = makeOpenDialog(parent, title, filter);
        if (dialog->exec() != QDialog::Accepted)
            return {};
        return dialog->selectedFiles().value(0);
    }
};

RealDialogs realDialogs;
Dialogs* current = nullptr;

} // namespace

Dialogs& dialogs()
{
    return current ? *current : static_cast<Dialogs&>(realDialogs);
}

void setDialogs(Dialogs* d)
{
    current = d;
}

Dialogs* installedDialogs()
{
    return current;
}

bool useChineseQtTexts()
{
    // Dates, sizes and numbers that Qt's widgets write, in the file dialogs
    // and elsewhere, follow the default locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    static QTranslator* qtTexts = nullptr;
    if (qtTexts)
        return true;
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    qtTexts = translator.release();
    // Installed last, asked first.
    QCoreApplication::installTranslator(new MissingQtTexts(QCoreApplication::instance()));
    return true;
}

std::unique_ptr<QFileDialog> makeOpenDialog(QWidget* parent, const QString& title, const QString& filter)
{
    auto dialog = std::make_unique<QFileDialog>(parent, title, QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // A system's own dialog (Windows, a desktop's) writes these itself.
    dialog->setProxyModel(new ChineseFileList(dialog.get()));
    return dialog;
}

std::unique_ptr<QFileDialog> makeSaveDialog(QWidget* parent, const QString& title,
                                            const QString& proposedPath, const QString& filter)
{
    auto dialog = std::make_unique<QFileDialog>(parent, title, QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setProxyModel(new ChineseFileList(dialog.get()));
    const QFileInfo proposed(proposedPath);
    if (!proposedPath.isEmpty()) {
        dialog->setDirectory(proposed.absolutePath());
        dialog->selectFile(proposed.fileName());
    }
    return dialog;
}

QString lastSaveFolder()
{
    const QString remembered = openProgramSettings()->value(saveFolderKey()).toString();
    for (const QString& folder :
         {remembered, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
          QDir::homePath()}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

QString askSaveFileName(QWidget* parent, const QString& title, const QString& fileName, const QString& filter)
{
    QString type = filterEntryFor(filter, QFileInfo(fileName).suffix());
    const QString proposed = QDir(lastSaveFolder()).filePath(fileName);
    QString chosen =
        dialogs().saveFileName(parent, title, proposed, filter, filter.isEmpty() ? nullptr : &type);
    if (chosen.isEmpty())
        return {};
    chosen = withExtension(chosen, extensionOf(type));
    openProgramSettings()->setValue(saveFolderKey(), QFileInfo(chosen).absolutePath());
    return chosen;
}

QString datedFileName(const QString& base, const QString& extension)
{
    return base + u'-' + QDate::currentDate().toString(u"yyyyMMdd"_s) + u'.' + extension;
}

#include "ui/ScriptedDialogs.h"

#include <cstring>

using namespace Qt::StringLiterals;

ScriptedDialogs::ScriptedDialogs() : previous_(installedDialogs())
{
    setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    if (installedDialogs() == this)
        setDialogs(previous_);
}

void ScriptedDialogs::answerYes()
{
    answers_.push_back({Kind::Question, true});
}

void ScriptedDialogs::answerNo()
{
    answers_.push_back({Kind::Question, false});
}

void ScriptedDialogs::answerInput(const QString& text)
{
    answers_.push_back({Kind::Input, text});
}

void ScriptedDialogs::cancelInput()
{
    answers_.push_back({Kind::Input, QVariant()});
}

void ScriptedDialogs::answerFile(const QString& path, const QString& type)
{
    // Both file pickers take a file answer; the kind is checked loosely.
    answers_.push_back({Kind::SaveFile, path, type});
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(Kind kind, const QString& what)
{
    const bool fileKind = kind == Kind::SaveFile || kind == Kind::OpenFile;
    if (!answers_.empty()) {
        const Answer a = answers_.front();
        const bool matches = a.kind == kind || (fileKind && a.kind == Kind::SaveFile);
        if (matches) {
            answers_.pop_front();
            return a;
        }
    }
    unexpected_.append(what);
    return std::nullopt;
}

void ScriptedDialogs::message(QWidget*, const QString& title, const QString& text, Icon icon)
{
    shown_.append({Kind::Message, title, text, icon, Buttons::Ok});
}

bool ScriptedDialogs::question(QWidget*, const QString& title, const QString& text, Icon icon)
{
    shown_.append({Kind::Question, title, text, icon, Buttons::YesNo});
    const auto a = take(Kind::Question, text);
    return a && a->value.toBool();
}

std::optional<QString> ScriptedDialogs::input(QWidget*, const QString& title, const QString& prompt,
                                              const QString&)
{
    shown_.append({Kind::Input, title, prompt, Icon::None, Buttons::Ok});
    const auto a = take(Kind::Input, prompt);
    if (!a || a->value.isNull())
        return std::nullopt;
    return a->value.toString();
}

QString ScriptedDialogs::saveFileName(QWidget*, const QString& title, const QString& proposedName,
                                      const QString& filter, QString* selectedFilter)
{
    shown_.append({Kind::SaveFile, title, proposedName, Icon::None, Buttons::Ok});
    saveFilters_.append(filter);
    saveTypesShown_.append(selectedFilter ? *selectedFilter : QString());
    const auto a = take(Kind::SaveFile, title);
    if (a && selectedFilter && !a->type.isEmpty())
        *selectedFilter = a->type;
    return a ? a->value.toString() : QString();
}

QString ScriptedDialogs::openFileName(QWidget*, const QString& title, const QString&)
{
    shown_.append({Kind::OpenFile, title, QString(), Icon::None, Buttons::Ok});
    const auto a = take(Kind::OpenFile, title);
    return a ? a->value.toString() : QString();
}

char* toString(const ScriptedDialogs::Shown& s)
{
    static const char* kinds[] = {"message", "question", "input", "save", "open"};
    const QByteArray text =
        u"%1 [%2] \"%3\" icon=%4"_s.arg(QString::fromLatin1(kinds[int(s.kind)]), s.title, s.text)
            .arg(int(s.icon))
            .toUtf8();
    char* out = new char[text.size() + 1];
    std::memcpy(out, text.constData(), size_t(text.size()) + 1);
    return out;
}

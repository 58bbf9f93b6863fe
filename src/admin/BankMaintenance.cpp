#include "admin/BankMaintenance.h"

#include "store/BankSchema.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace BankMaintenance {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Why `source` cannot be used against `bank`, or nothing when it can.
QString sourceProblem(const QString& source, const QString& bank, const QString& sameFileText)
{
    if (!QFileInfo(source).isFile())
        return u"找不到文件“%1”。"_s.arg(native(source));
    if (isSameFile(source, bank))
        return sameFileText.arg(native(source));
    QString why;
    switch (checkBankFile(source, &why)) {
    case BankFileState::Sound:
        return {};
    case BankFileState::NotABank:
        return u"文件“%1”不是题库文件（%2），题库没有任何改动。"_s.arg(native(source), why);
    case BankFileState::Damaged:
        break;
    }
    return u"文件“%1”已损坏（%2），不能使用，题库没有任何改动。"_s.arg(native(source), why);
}

} // namespace

void backup(const QString& bank, const QString& target)
{
    backupBankFile(bank, target);
}

QString safetyCopyPath(const QString& bank, const QDateTime& now)
{
    const QFileInfo info(bank);
    const QString stem = info.absolutePath() + u'/' + info.completeBaseName() + u"-恢复前-"_s +
                         now.toString(u"yyyyMMdd-HHmmss"_s);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString path = stem + suffix;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + u'-' + QString::number(n) + suffix;
    return path;
}

QString restoreRefusal(const QString& source, const QString& bank)
{
    return sourceProblem(source, bank, u"所选文件“%1”就是正在使用的题库文件，不能用它恢复它自己。"_s);
}

RestoreResult restore(const QString& source, const QString& bank, const QDateTime& now)
{
    RestoreResult result;
    result.refusal = restoreRefusal(source, bank);
    if (!result.refusal.isEmpty())
        return result;
    // The bank as it is now stays within reach, whatever the restore brings.
    const QString safetyCopy = safetyCopyPath(bank, now);
    if (restoreBankFile(source, bank, safetyCopy))
        result.safetyCopy = safetyCopy;
    result.restored = true;
    return result;
}

QString restoredMessage(const RestoreResult& result)
{
    if (result.safetyCopy.isEmpty())
        return u"题库恢复成功！"_s;
    return u"题库恢复成功！\n恢复前的题库保存在“%1”。"_s.arg(native(result.safetyCopy));
}

MergeResult merge(const QString& source, const QString& bank, const MergeProgress& progress)
{
    MergeResult result;
    result.refusal =
        sourceProblem(source, bank, u"所选文件“%1”就是正在使用的题库文件，不能把题库合并到它自己。"_s);
    if (!result.refusal.isEmpty())
        return result;
    result.appended = appendQuestionsFrom(source, bank, progress);
    result.merged = true;
    return result;
}

QString mergedMessage(const MergeResult& result)
{
    const QuestionMerge& m = result.appended;
    if (m.addedPaths == 0 && m.addedTypes == 0)
        return u"题库合并成功！"_s;
    return u"题库合并成功！\n题库原来没有的知识点%1条、题型%2个也已一并加入。"_s.arg(m.addedPaths)
        .arg(m.addedTypes);
}

} // namespace BankMaintenance

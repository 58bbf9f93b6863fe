#include "admin/BankRescue.h"

#include "admin/AutomaticBackup.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace BankRescue {

bool isDamage(const StoreError& e)
{
    switch (e.number) {
    case StoreErrorNumber::CannotOpen: // missing, or not openable as a file
    case StoreErrorNumber::NotABank:   // not a database, not a bank, a restore cut off without its copy
    case 10:                           // SQLITE_IOERR: a file cut short reads as an input/output error
    case 11:                           // SQLITE_CORRUPT
        return true;
    default:
        return false;
    }
}

std::optional<QString> problemWith(const QString& bank)
{
    try {
        BankStore::openExternalBank(bank);
    } catch (const StoreError& e) {
        if (isDamage(e))
            return e.text;
        return std::nullopt;
    }
    // Damage past the first pages opens without a complaint; the check of
    // every page is worth its time only when there is reason to fear it.
    if (AutomaticBackup::newestIsDamaged(bank)) {
        QString why;
        if (checkBankFile(bank, &why) == BankFileState::Damaged)
            return u"题库文件“%1”已损坏（%2）。"_s.arg(QDir::toNativeSeparators(bank), why);
    }
    return std::nullopt;
}

} // namespace BankRescue

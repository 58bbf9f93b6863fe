#pragma once

#include <optional>
#include <QString>

struct StoreError;

// The program's bank cannot be used: missing, not a bank file any more, or
// damaged. Nobody can log in to reach 恢复题库 then, so the login offers a
// restore itself (from the newest good automatic backup or a file the
// teacher picks); these are the checks it makes, without any window.
namespace BankRescue {

// True when `e`, met while opening or reading the bank, says the bank file
// itself cannot be used (missing, not a database, not a bank, damaged, a
// restore cut off that cannot be undone), not that it is busy or read-only.
bool isDamage(const StoreError& e);

// Why the program cannot use its bank `bank`, in words for the teacher; or
// nullopt when it can, as far as opening it tells (other failures, such as a
// lock, are left to the action that meets them). When the last automatic
// backup found the bank damaged, its pages are checked as well.
std::optional<QString> problemWith(const QString& bank);

} // namespace BankRescue

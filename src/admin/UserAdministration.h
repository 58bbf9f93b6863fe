#pragma once

#include "store/BankRecords.h"

#include <optional>
#include <QString>
#include <QStringList>

// The users of the bank (登录表) as the three user windows keep them. Passwords
// are stored as Argon2id hashes, as the login checks them; every value is a
// bound parameter, so names and passwords may hold any character, quotes too.
// Every function opens the program's bank and throws StoreError when it cannot.
namespace UserAdministration {

// The three roles in the order the lists offer them.
QStringList roles();

// Two names that stand for one person: the same once the blanks around them
// are gone, Latin letters without case (as the bank compares names).
bool sameName(const QString& a, const QString& b);

// The first thing wrong with a new user as typed, in the order the add window
// checks: the name (blanks only count as none), the password, the role, the
// confirmation. NameTaken comes from addUser only.
enum class NewUserProblem { None, EmptyName, EmptyPassword, NoRole, PasswordsDiffer, NameTaken };
NewUserProblem checkNewUser(const QString& name, const QString& password, const QString& confirmation,
                            const QString& role);

// Appends a user under the name without its surrounding blanks (the login
// trims what is typed, so a stored blank could never log in), with the
// password's hash. A name some user has already (sameName) is refused with
// NameTaken and nothing is stored. Rows a bank already holds under one name
// stay as they are.
NewUserProblem addUser(const QString& name, const QString& password, const QString& role);

// The first user called `name` (as the login compares names) whose stored
// hash `password` verifies, with the row's identity; nullopt when there is
// none.
std::optional<StoredUser> provenUser(const QString& name, const QString& password);

// 修改 writes the row whose password was proved, by its identity: another
// row of the same name (or of the same name in other Latin case) is never
// touched.
enum class ChangeOutcome {
    Changed,
    Gone,          // the row has been deleted since; nothing written
    LastSuperAdmin // it is the one super administrator and would lose the role
};
ChangeOutcome changeUser(qint64 id, const QString& name, const QString& password, const QString& role);

// Why 删  除 takes nothing.
enum class DeleteProblem {
    None,
    EmptyName,     // no name given (blanks only count as none), no user shown
    NoSuchUser,    // no user of that name, or the one shown is gone
    LoggedInUser,  // the user logged in, who would lock themselves out
    LastSuperAdmin // no super administrator would be left
};
struct DeletePlan
{
    DeleteProblem problem = DeleteProblem::None;
    std::vector<StoredUser> rows; // what goes, when nothing is wrong
};
// What 删  除 takes: the user shown by the browse window (`shownId`, -1 for
// none), exactly that row; without one, every user called `name` as typed.
DeletePlan planDeletion(const QString& name, qint64 shownId);
// Plans again and deletes in one transaction, so the checks hold for what
// goes. Returns the plan acted on; its rows are the rows deleted.
DeletePlan deleteUsers(const QString& name, qint64 shownId);

// One step of the browse window through the users in stored order.
struct BrowseStep
{
    enum Kind {
        Shown,      // `user` is the user at the new position
        PastEnd,    // no user there; the position is now the number of users + 1
        BeforeStart // no user there; the position is now 0
    };
    Kind kind = Shown;
    StoredUser user;
};

// The browse window's position among the users (1 is the first), kept for
// the whole run of the program: closing the window does not reset it.
int browsePosition();
void setBrowsePosition(int position);

// The next and the previous user from the kept position. The table is read
// anew at every step, so users added or deleted meanwhile shift the positions.
BrowseStep nextUser();
BrowseStep previousUser();

} // namespace UserAdministration

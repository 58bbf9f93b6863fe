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

// The first thing wrong with a new user as typed, in the order the add window
// checks: the name (not trimmed), the password, the role, the confirmation.
enum class NewUserProblem { None, EmptyName, EmptyPassword, NoRole, PasswordsDiffer };
NewUserProblem checkNewUser(const QString& name, const QString& password, const QString& confirmation,
                            const QString& role);

// Appends a user, with the password's hash. A name already taken gives a
// second row of that name, as it always did.
void addUser(const QString& name, const QString& password, const QString& role);

// The role of the first user called `name` whose stored hash `password`
// verifies; nullopt when there is none.
std::optional<QString> roleIfPasswordMatches(const QString& name, const QString& password);

// Writes the name, a new hash of `password` and the role into the first row
// (in stored order) called `userName`. Throws StoreError (NoCurrentRow) when
// no row has that name any more.
void changeUser(const QString& userName, const QString& name, const QString& password, const QString& role);

// Deletes every user called `name`; returns how many rows went.
int deleteUsersNamed(const QString& name);

// One step of the browse window through the users in stored order.
struct BrowseStep
{
    enum Kind {
        Shown,      // `user` is the user at the new position
        PastEnd,    // no user there; the position is now the number of users + 1
        BeforeStart // no user there; the position is now 0
    };
    Kind kind = Shown;
    UserRecord user;
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

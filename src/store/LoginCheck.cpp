#include "store/LoginCheck.h"

#include "store/BankStore.h"
#include "store/BankTables.h"
#include "store/Password.h"

using namespace Qt::StringLiterals;

LoginOutcome checkLogin(const QString& typedName, const QString& typedPassword)
{
    LoginOutcome out;
    out.userName = typedName.trimmed();
    if (out.userName.isEmpty()) {
        out.kind = LoginOutcome::EmptyName;
        return out;
    }
    if (typedPassword.isEmpty()) {
        out.kind = LoginOutcome::EmptyPassword;
        return out;
    }

    BankStore store = BankStore::openBank();
    const std::vector<StoredUser> users = store.storedUsersNamed(out.userName);
    if (users.empty()) {
        out.kind = LoginOutcome::NoSuchUser;
        return out;
    }
    // Rows carry password hashes, so the password is verified row by row in
    // stored order; the first row that verifies gives the role.
    for (const StoredUser& row : users) {
        if (verifyPassword(row.user.passwordHash, typedPassword)) {
            out.kind = LoginOutcome::LoggedIn;
            out.role = row.user.role;
            out.userId = row.id;
            return out;
        }
    }
    out.kind = LoginOutcome::WrongPassword;
    return out;
}

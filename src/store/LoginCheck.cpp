#include "store/LoginCheck.h"

#include "store/BankStore.h"
#include "store/Password.h"

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
    const auto rows = store.readAll({QStringLiteral(u"登录表"), QStringLiteral(u"姓名 = ?"), {out.userName}});
    if (rows.empty()) {
        out.kind = LoginOutcome::NoSuchUser;
        return out;
    }
    // Rows carry password hashes, so the password is verified row by row in
    // stored order; the first row that verifies gives the role.
    for (const QVariantList& row : rows) {
        if (row.size() >= 3 && verifyPassword(row.at(1).toString(), typedPassword)) {
            out.kind = LoginOutcome::LoggedIn;
            out.role = row.at(2).toString();
            return out;
        }
    }
    out.kind = LoginOutcome::WrongPassword;
    return out;
}

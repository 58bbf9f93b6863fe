#include "admin/UserAdministration.h"

#include "store/BankStore.h"
#include "store/BankTables.h"
#include "store/CurrentUser.h"
#include "store/Password.h"

using namespace Qt::StringLiterals;

namespace UserAdministration {

namespace {

// The position is a plain int: it moves one step per click and is pulled back
// to the table's ends, so it stays between 0 and the number of users + 1.
int position = 0;

TableQuery named(const QString& name)
{
    return TableQuery{BankTables::users, UserColumns::name + u" = ?"_s, {name}};
}

} // namespace

QStringList roles()
{
    return {Roles::ordinary(), Roles::admin(), Roles::superAdmin()};
}

NewUserProblem checkNewUser(const QString& name, const QString& password, const QString& confirmation,
                            const QString& role)
{
    if (name.isEmpty())
        return NewUserProblem::EmptyName;
    if (password.isEmpty())
        return NewUserProblem::EmptyPassword;
    if (role.isEmpty())
        return NewUserProblem::NoRole;
    if (password != confirmation)
        return NewUserProblem::PasswordsDiffer;
    return NewUserProblem::None;
}

void addUser(const QString& name, const QString& password, const QString& role)
{
    // Hashed before the bank is opened: the hash takes a noticeable moment.
    const UserRecord user{name, hashPassword(password), role};
    BankStore::openBank().appendUser(user);
}

std::optional<QString> roleIfPasswordMatches(const QString& name, const QString& password)
{
    const std::vector<UserRecord> users =
        BankStore::openBank().users(UserColumns::name + u" = ?"_s, QVariantList{name});
    for (const UserRecord& user : users) {
        if (verifyPassword(user.passwordHash, password))
            return user.role;
    }
    return std::nullopt;
}

void changeUser(const QString& userName, const QString& name, const QString& password, const QString& role)
{
    const QString hash = hashPassword(password);
    BankStore store = BankStore::openBank();
    Recordset r = store.open(named(userName));
    r.moveFirst();
    r.update(UserRecord{name, hash, role}.fields());
}

int deleteUsersNamed(const QString& name)
{
    return BankStore::openBank().deleteWhere(named(name));
}

int browsePosition()
{
    return position;
}

void setBrowsePosition(int p)
{
    position = p;
}

namespace {

BrowseStep shown(const Recordset& r)
{
    return {BrowseStep::Shown, UserRecord::fromRow(r.values())};
}

} // namespace

BrowseStep nextUser()
{
    ++position;
    BankStore store = BankStore::openBank();
    Recordset r = store.openTable(BankTables::users);
    r.moveFromFirst(position - 1);
    if (r.eof() || r.bof()) {
        position = r.recordCount() + 1;
        return {BrowseStep::PastEnd, {}};
    }
    return shown(r);
}

BrowseStep previousUser()
{
    --position;
    BankStore store = BankStore::openBank();
    Recordset r = store.openTable(BankTables::users);
    r.moveFromFirst(position - 1);
    if (r.bof()) {
        position = 0;
        return {BrowseStep::BeforeStart, {}};
    }
    // Users deleted since the last step can leave the position beyond the
    // end: that is the end, as for the next user.
    if (r.eof()) {
        position = r.recordCount() + 1;
        return {BrowseStep::PastEnd, {}};
    }
    return shown(r);
}

} // namespace UserAdministration

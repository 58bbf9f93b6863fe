#include "admin/UserAdministration.h"

#include "store/BankStore.h"
#include "store/BankTables.h"
#include "store/CurrentUser.h"
#include "store/Password.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace UserAdministration {

namespace {

// The position is a plain int: it moves one step per click and is pulled back
// to the table's ends, so it stays between 0 and the number of users + 1.
int position = 0;

// Latin capitals as small letters, nothing else: the bank's NOCASE does no more.
QString latinFolded(QString s)
{
    for (QChar& c : s) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return s;
}

bool isSuperAdmin(const StoredUser& row)
{
    return row.user.role == Roles::superAdmin();
}

// The rows of the user who is logged in: the row the login verified, while
// it still carries the name logged in with; without it (an older login, or
// the bank restored since) every row of that name, as the login compares.
std::vector<qint64> loggedInRows(const std::vector<StoredUser>& all)
{
    const CurrentUserState& me = CurrentUser();
    if (me.userName.isEmpty())
        return {};
    const QString name = latinFolded(me.userName);
    std::vector<qint64> byName;
    for (const StoredUser& row : all) {
        if (latinFolded(row.user.name) != name)
            continue;
        if (row.id == me.userId)
            return {row.id};
        byName.push_back(row.id);
    }
    return byName;
}

bool contains(const std::vector<StoredUser>& rows, qint64 id)
{
    return std::any_of(rows.begin(), rows.end(), [id](const StoredUser& r) { return r.id == id; });
}

DeletePlan plan(BankStore& store, const QString& name, qint64 shownId)
{
    const std::vector<StoredUser> all = store.storedUsers();
    DeletePlan p;
    if (shownId >= 0) {
        for (const StoredUser& row : all) {
            if (row.id == shownId)
                p.rows.push_back(row);
        }
    } else {
        if (name.trimmed().isEmpty())
            return {DeleteProblem::EmptyName, {}};
        p.rows = store.storedUsersNamed(name);
    }
    if (p.rows.empty())
        return {DeleteProblem::NoSuchUser, {}};
    for (const qint64 id : loggedInRows(all)) {
        if (contains(p.rows, id))
            return {DeleteProblem::LoggedInUser, p.rows};
    }
    const bool takesSuperAdmin = std::any_of(p.rows.begin(), p.rows.end(), isSuperAdmin);
    const bool superAdminStays = std::any_of(all.begin(), all.end(), [&p](const StoredUser& row) {
        return isSuperAdmin(row) && !contains(p.rows, row.id);
    });
    if (takesSuperAdmin && !superAdminStays)
        return {DeleteProblem::LastSuperAdmin, p.rows};
    return p;
}

} // namespace

QStringList roles()
{
    return {Roles::ordinary(), Roles::admin(), Roles::superAdmin()};
}

bool sameName(const QString& a, const QString& b)
{
    return latinFolded(a.trimmed()) == latinFolded(b.trimmed());
}

NewUserProblem checkNewUser(const QString& name, const QString& password, const QString& confirmation,
                            const QString& role)
{
    if (name.trimmed().isEmpty())
        return NewUserProblem::EmptyName;
    if (password.isEmpty())
        return NewUserProblem::EmptyPassword;
    if (role.isEmpty())
        return NewUserProblem::NoRole;
    if (password != confirmation)
        return NewUserProblem::PasswordsDiffer;
    return NewUserProblem::None;
}

NewUserProblem addUser(const QString& name, const QString& password, const QString& role)
{
    // Hashed before the bank is opened: the hash takes a noticeable moment.
    const UserRecord user{name.trimmed(), hashPassword(password), role};
    BankStore store = BankStore::openBank();
    NewUserProblem problem = NewUserProblem::None;
    // The check and the append in one transaction: no other program adds
    // the same name in between.
    store.inTransaction([&] {
        for (const StoredUser& row : store.storedUsers()) {
            if (sameName(row.user.name, user.name)) {
                problem = NewUserProblem::NameTaken;
                return;
            }
        }
        store.appendUser(user);
    });
    return problem;
}

std::optional<StoredUser> provenUser(const QString& name, const QString& password)
{
    for (const StoredUser& row : BankStore::openBank().storedUsersNamed(name)) {
        if (verifyPassword(row.user.passwordHash, password))
            return row;
    }
    return std::nullopt;
}

ChangeOutcome changeUser(qint64 id, const QString& name, const QString& password, const QString& role)
{
    const QString hash = hashPassword(password);
    BankStore store = BankStore::openBank();
    ChangeOutcome outcome = ChangeOutcome::Changed;
    store.inTransaction([&] {
        const std::vector<StoredUser> all = store.storedUsers();
        const auto row =
            std::find_if(all.begin(), all.end(), [id](const StoredUser& r) { return r.id == id; });
        if (row == all.end()) {
            outcome = ChangeOutcome::Gone;
            return;
        }
        const bool otherSuperAdmin = std::any_of(
            all.begin(), all.end(), [id](const StoredUser& r) { return r.id != id && isSuperAdmin(r); });
        if (isSuperAdmin(*row) && role != Roles::superAdmin() && !otherSuperAdmin) {
            outcome = ChangeOutcome::LastSuperAdmin;
            return;
        }
        if (!store.updateUser(id, UserRecord{name, hash, role}))
            outcome = ChangeOutcome::Gone;
    });
    return outcome;
}

DeletePlan planDeletion(const QString& name, qint64 shownId)
{
    BankStore store = BankStore::openBank();
    return plan(store, name, shownId);
}

DeletePlan deleteUsers(const QString& name, qint64 shownId)
{
    BankStore store = BankStore::openBank();
    DeletePlan p;
    store.inTransaction([&] {
        p = plan(store, name, shownId);
        if (p.problem != DeleteProblem::None)
            return;
        std::vector<qint64> ids;
        for (const StoredUser& row : p.rows)
            ids.push_back(row.id);
        // Rows the plan has just read: all of them go inside this transaction.
        store.deleteUsers(ids);
    });
    return p;
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
    return {BrowseStep::Shown, {r.currentId(), UserRecord::fromRow(r.values())}};
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

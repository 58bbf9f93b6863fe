#pragma once

#include <QString>

// The logged-in user, set by the login and kept until the program ends.
struct CurrentUserState
{
    QString userName;
    // The identity of the row the login verified; -1 when not known. Where
    // several users share a name it tells which of them is logged in.
    qint64 userId = -1;
    bool isSuperAdmin = false;
    bool isAdmin = false;
    bool isOrdinaryUser = false;

    // Sets the three flags from a role text; a role outside the three known
    // ones leaves all three false.
    void setRole(const QString& role);
};

CurrentUserState& CurrentUser();

namespace Roles {
using namespace Qt::StringLiterals;
inline QString superAdmin()
{
    return u"超级管理"_s;
}
inline QString admin()
{
    return u"管理人员"_s;
}
inline QString ordinary()
{
    return u"一般人员"_s;
}
} // namespace Roles

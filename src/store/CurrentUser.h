#pragma once

#include <QString>

// The logged-in user, set by the login and kept until the program ends.
struct CurrentUserState
{
    QString userName;
    bool isSuperAdmin = false;
    bool isAdmin = false;
    bool isOrdinaryUser = false;

    // Sets the three flags from a role text; a role outside the three known
    // ones leaves all three false.
    void setRole(const QString& role);
};

CurrentUserState& CurrentUser();

namespace Roles {
inline QString superAdmin()
{
    return QStringLiteral(u"超级管理");
}
inline QString admin()
{
    return QStringLiteral(u"管理人员");
}
inline QString ordinary()
{
    return QStringLiteral(u"一般人员");
}
} // namespace Roles

#include "store/CurrentUser.h"

void CurrentUserState::setRole(const QString& role)
{
    isSuperAdmin = role == Roles::superAdmin();
    isAdmin = role == Roles::admin();
    isOrdinaryUser = role == Roles::ordinary();
}

CurrentUserState& CurrentUser()
{
    static CurrentUserState user;
    return user;
}

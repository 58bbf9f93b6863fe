#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Which gated commands a role opens. Only the super administrator and the
// administrator flags count; any other role gets the ordinary user's menus.
QHash<QString, bool> menuGating(bool isSuperAdmin, bool isAdmin);

// The commands whose state depends on the role.
QStringList gatedCommands();

#include "app/MenuGating.h"

QStringList gatedCommands()
{
    return {QStringLiteral("SHANCHU"), QStringLiteral("TIANJIA"), QStringLiteral("BFTK"),
            QStringLiteral("addstu"),  QStringLiteral("editstu"), QStringLiteral("HFTK"),
            QStringLiteral("HBTK"),    QStringLiteral("ZHshd"),   QStringLiteral("TXgl")};
}

QHash<QString, bool> menuGating(bool isSuperAdmin, bool isAdmin)
{
    QHash<QString, bool> on;
    for (const QString& command : gatedCommands())
        on.insert(command, isSuperAdmin);
    if (isAdmin) {
        on.insert(QStringLiteral("addstu"), true);
        on.insert(QStringLiteral("editstu"), true);
    }
    return on;
}

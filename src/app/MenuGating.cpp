#include "app/MenuGating.h"

using namespace Qt::StringLiterals;

QStringList gatedCommands()
{
    return {u"SHANCHU"_s, u"TIANJIA"_s, u"BFTK"_s,  u"addstu"_s, u"editstu"_s,
            u"HFTK"_s,    u"HBTK"_s,    u"ZHshd"_s, u"TXgl"_s,   u"DRSHJ"_s};
}

QHash<QString, bool> menuGating(bool isSuperAdmin, bool isAdmin)
{
    QHash<QString, bool> on;
    for (const QString& command : gatedCommands())
        on.insert(command, isSuperAdmin);
    if (isAdmin) {
        on.insert(u"addstu"_s, true);
        on.insert(u"editstu"_s, true);
        // 导入试卷 adds questions: open to whoever may add them one by one.
        on.insert(u"DRSHJ"_s, true);
    }
    return on;
}

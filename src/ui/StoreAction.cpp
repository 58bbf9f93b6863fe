#include "ui/StoreAction.h"

#include "store/BankStore.h"
#include "ui/Dialogs.h"

QString storeErrorText(const StoreError& e)
{
    return QStringLiteral(u"错误号：%1\n%2").arg(e.number).arg(e.text);
}

void reportStoreError(QWidget* parent, const StoreError& e)
{
    dialogs().message(parent, QStringLiteral(u"数据库错误"), storeErrorText(e), Dialogs::Icon::Critical);
}

bool runStoreAction(QWidget* parent, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const StoreError& e) {
        reportStoreError(parent, e);
        return false;
    }
}

#include "ui/StoreAction.h"

#include "store/BankStore.h"
#include "ui/Dialogs.h"

using namespace Qt::StringLiterals;

QString storeErrorText(const StoreError& e)
{
    return u"错误号：%1\n%2"_s.arg(e.number).arg(e.text);
}

void reportStoreError(QWidget* parent, const StoreError& e)
{
    dialogs().message(parent, u"数据库错误"_s, storeErrorText(e), Dialogs::Icon::Critical);
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

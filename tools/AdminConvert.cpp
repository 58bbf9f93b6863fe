#include "AdminCommands.h"

int runConvert(const QStringList&)
{
    return 2;
}

#include "AdminCommands.h"

int runInit(const QStringList&)
{
    return 0;
}

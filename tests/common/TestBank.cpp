#include "common/TestBank.h"

#include "store/BankSchema.h"
#include "store/ProgramDirectory.h"

#include <QDir>

TestBank::TestBank()
{
    QDir(dir_.path()).mkpath(QStringLiteral("DATA"));
    setProgramDirectory(dir_.path());
    createBankFile(bankPath());
}

TestBank::~TestBank()
{
    setProgramDirectory(QString());
}

QString TestBank::bankPath() const
{
    return bankFilePath();
}

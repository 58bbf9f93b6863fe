#pragma once

#include <QStringList>

// Each command takes its arguments (after the command word) and returns the
// process exit code: 0 on success, 1 on failure (with a message on stderr),
// 2 on a usage error.
int runInit(const QStringList& args);
int runConvert(const QStringList& args);
int runGenerate(const QStringList& args);
int runExport(const QStringList& args);
int runBackup(const QStringList& args);
int runRestore(const QStringList& args);
int runMerge(const QStringList& args);
int runCompose(const QStringList& args);
int runRename(const QStringList& args);
int runImport(const QStringList& args);

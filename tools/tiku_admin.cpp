// tiku-admin: command-line tools around bank files and RTF documents.
#include "AdminCommands.h"
#include "BuildInfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <QGuiApplication>
#include <QStringList>

namespace {

// What a script reads on standard error is what went wrong with its command,
// and each command says that itself. Qt's own notes (the offscreen
// platform's "XDG_RUNTIME_DIR not set", font and painter remarks) are not
// about the command and are dropped; messages of our own logging categories
// (tiku.*) and Qt's critical and fatal ones still get through.
void toolMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool ours = context.category && std::strncmp(context.category, "tiku", 4) == 0;
    if (!ours && (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg))
        return;
    std::fputs(qFormatLogMessage(type, context, message).append(u'\n').toUtf8().constData(), stderr);
}

void usage()
{
    std::fputs(
        "usage: tiku-admin init PATH\n"
        "       tiku-admin convert FILE --to text|html|rtf [--report]\n"
        "       tiku-admin convert FILE --report\n"
        "       tiku-admin generate PATH [--questions N] [--paths K] [--seed S]\n"
        "       tiku-admin export BANK --knowledge-points|--question-types OUT.rtf [--force]\n"
        "       tiku-admin backup BANK OUT\n"
        "       tiku-admin restore BACKUP BANK\n"
        "       tiku-admin merge SOURCE BANK\n"
        "       tiku-admin rename BANK --knowledge-point LEVEL OLD NEW [--under NAME...] [--keep-questions]\n"
        "       tiku-admin rename BANK --question-type OLD NEW [--keep-questions]\n"
        "       tiku-admin compose BANK --criteria FILE --sets K --seed S --out PREFIX [--pdf] [--layout "
        "FILE]\n"
        "       tiku-admin import FILE BANK [--knowledge A/B/C] [--type T] [--difficulty D] [--dry-run]\n"
        "       tiku-admin --version\n",
        stderr);
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(toolMessages);
    // A command-line tool: QTextDocument needs a GUI application, never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage();
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == u"--version" && args.isEmpty()) {
        std::printf("tiku-admin %s\n", BuildInfo::kVersion);
        return 0;
    }
    if (command == u"init")
        return runInit(args);
    if (command == u"convert") {
        // A conversion has written all it writes. Tearing the application down
        // would cost more than some conversions: Qt's fontconfig font database
        // loads the whole font configuration in its destructor when no font
        // was ever asked for, only to release it.
        const int code = runConvert(args);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(code);
    }
    if (command == u"generate")
        return runGenerate(args);
    if (command == u"export")
        return runExport(args);
    if (command == u"backup")
        return runBackup(args);
    if (command == u"restore")
        return runRestore(args);
    if (command == u"merge")
        return runMerge(args);
    if (command == u"compose")
        return runCompose(args);
    if (command == u"rename")
        return runRename(args);
    if (command == u"import")
        return runImport(args);
    usage();
    return 2;
}

#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

// The program's options, for the windows and for scripts alike. The account-set verbs
// (--new-account, --join-account, --backup, --restore, --list-accounts), the spreadsheet verbs
// (--import, --export) and --help run without a display: they print what they did and end, 0
// on success, 1 with the reason (an import: every refused row) on standard error.
class CommandLine
{
public:
    struct Options
    {
        QCommandLineOption account, user, quit, screenshots;
        QCommandLineOption newAccount, joinAccount, sqlite, pg, manager, backup, restore,
            listAccounts, importKind, exportKind, dryRun, update;
    };
    static Options options();
    // Sets the parser up with every option; returns them for the caller to read.
    static Options setUp(QCommandLineParser &parser);

    // Whether the arguments ask for help, the version or a verb: no window will open.
    static bool needsNoDisplay(const QStringList &arguments);
    // Runs the verb the arguments name (after --help/--version, which end the process).
    static int run(const QStringList &arguments);
};

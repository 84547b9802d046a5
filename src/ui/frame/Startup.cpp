#include "ui/frame/Startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include "ui/widgets/ErrorPrompt.h"
#include "core/frame/AccountSets.h"
#include "core/frame/CommandLine.h"
#include "core/demo/DemoData.h"
#include "core/frame/FileVersion.h"
#include "ui/frame/FrmMain.h"
#include "ui/frame/Login.h"
#include "ui/widgets/MessageBoxPrompts.h"
#include "ui/widgets/WindowFit.h"
#include "core/frame/Prompts.h"
#include "ui/tools/Screenshots.h"
#include "core/frame/Session.h"
#include "core/frame/SystemTranslation.h"
#include "core/base/CoreError.h"

int Startup::run(QApplication &app, const QStringList &arguments)
{
    // Before any window: message-box buttons and the file dialogue read in the station's language.
    SystemTranslation::install(app);

    QCommandLineParser parser;
    const CommandLine::Options o = CommandLine::setUp(parser);
    const QCommandLineOption &account = o.account, &user = o.user, &quit = o.quit,
                             &screenshots = o.screenshots;
    parser.process(arguments);

    static MessageBoxPrompts prompts;
    Prompts::setCurrent(&prompts);
    QTextStream err(stderr);
    AccountSets::tightenAtStart();
    try {
        DemoData::ensureListed();
    } catch (const CoreError &e) {
        showError(e);
        return 1;
    }

    Login login;
    if (parser.isSet(account) || parser.isSet(user)) {
        login.loginScripted(parser.value(account), parser.value(user),
                            qEnvironmentVariable("KWPOS_PASSWORD"));
        if (!login.OK.toBool()) {
            err << login.error() << Qt::endl;
            // 2: the operator or password was refused; 1: the account set did not open.
            return login.refused() ? 2 : 1;
        }
    } else {
        // The running file itself: installed, it is /usr/bin/kwpos, not kwpos_main.
        login.login(QStringLiteral("7.1.20120102"),
                    FileVersion::GetFileVer(QCoreApplication::applicationFilePath()));
        if (login.OK.isNull() || !login.OK.toBool())
            return 0; // cancelled: end silently
    }

    Session &s = Session::current();
    s.UserID = login.UserID;
    s.UserName = login.UserName;
    s.acctname = login.acctname;
    s.Cnstr = login.Cnstr;
    s.MasterPromptString = login.MasterPromptString;

    FrmMain main;
    try {
        main.Form_Load();
    } catch (const CoreError &e) {
        showError(e);
        return 1;
    }
    // The day's first copy of a SQLite shop; a failure is told, never in the way of work.
    main.setStatusText(Login::dailyBackup(s.Cnstr));
    WindowFit::apply(main);
    main.show();
    if (parser.isSet(screenshots))
        return Screenshots::run(parser.value(screenshots), main);
    if (parser.isSet(quit)) {
        QTextStream(stdout) << "started: " << s.acctname << " / " << s.UserName << Qt::endl;
        return 0;
    }
    return app.exec();
}

#include "ui/frame/Startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include "ui/widgets/ErrorPrompt.h"
#include "core/frame/AccountSets.h"
#include "core/frame/FileVersion.h"
#include "ui/frame/FrmMain.h"
#include "ui/frame/Login.h"
#include "ui/widgets/MessageBoxPrompts.h"
#include "ui/widgets/WindowFit.h"
#include "core/frame/Prompts.h"
#include "ui/tools/Screenshots.h"
#include "core/frame/Session.h"
#include "core/frame/SystemTranslation.h"
#include "core/db/DbError.h"

int Startup::run(QApplication &app, const QStringList &arguments)
{
    // Before any window: message-box buttons and the file dialogue read in the station's language.
    SystemTranslation::install(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("奶站前台管理系统"));
    parser.addHelpOption();
    const QCommandLineOption account(QStringLiteral("account"), QStringLiteral("帐套名称"),
                                     QStringLiteral("name"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("操作员"),
                                  QStringLiteral("name"));
    const QCommandLineOption quit(QStringLiteral("quit-after-start"),
                                  QStringLiteral("启动完成后立即退出（用于测试）"));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("保存各窗口截图到目录后退出（用于审阅）"),
                                         QStringLiteral("dir"));
    parser.addOptions({account, user, quit, screenshots});
    parser.process(arguments);

    static MessageBoxPrompts prompts;
    Prompts::setCurrent(&prompts);
    QTextStream err(stderr);
    try {
        AccountSets::ensureDemo();
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
            return 2;
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

#include "core/frame/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "core/db/Backup.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/exchange/ShopExport.h"
#include "core/exchange/ShopImport.h"
#include "core/frame/AccountSets.h"
#include "core/base/CoreError.h"
#include "core/frame/ServerPasswords.h"
#include "core/frame/ShopSetup.h"

namespace {

QString oneLine(QString text)
{
    return text.replace(u'\n', u' ').replace(u'\r', u' ').trimmed();
}

} // namespace

CommandLine::Options CommandLine::options()
{
    return {
        {QStringLiteral("account"), QStringLiteral("帐套名称"), QStringLiteral("name")},
        {QStringLiteral("user"), QStringLiteral("操作员（密码取自 KWPOS_PASSWORD）"), QStringLiteral("name")},
        {QStringLiteral("quit-after-start"), QStringLiteral("启动完成后立即退出（用于测试）")},
        {QStringLiteral("screenshots"), QStringLiteral("保存各窗口截图到目录后退出（用于审阅）"),
         QStringLiteral("dir")},
        {QStringLiteral("new-account"),
         QStringLiteral("新建帐套（与 --sqlite 或 --pg、--manager 同用，店长密码取自 KWPOS_PASSWORD）"),
         QStringLiteral("name")},
        {QStringLiteral("join-account"), QStringLiteral("加入服务器上已有的帐套（与 --pg 同用）"),
         QStringLiteral("name")},
        {QStringLiteral("sqlite"), QStringLiteral("新帐套的 SQLite 文件"), QStringLiteral("file")},
        {QStringLiteral("pg"),
         QStringLiteral("PostgreSQL 连接参数，如 \"host=… port=5432 dbname=… user=… password=… sslmode=…\""),
         QStringLiteral("conninfo")},
        {QStringLiteral("manager"), QStringLiteral("新帐套的店长（管理员）"), QStringLiteral("name")},
        {QStringLiteral("backup"), QStringLiteral("备份帐套（可在其后给出备份文件名）"), QStringLiteral("name")},
        {QStringLiteral("restore"), QStringLiteral("用其后给出的备份文件恢复帐套"), QStringLiteral("name")},
        {QStringLiteral("list-accounts"), QStringLiteral("列出本机的帐套")},
        {QStringLiteral("import"),
         QStringLiteral("从其后给出的 XLSX 或 CSV 文件导入 items（商品）、members（会员）或 orders（订单）（与 --account 同用）"),
         QStringLiteral("kind")},
        {QStringLiteral("export"),
         QStringLiteral("导出 items、members 或 orders 到其后给出的文件，格式取自扩展名 .xlsx 或 .csv（与 --account 同用）"),
         QStringLiteral("kind")},
        {QStringLiteral("dry-run"), QStringLiteral("只检查要导入的文件，不写入")},
        {QStringLiteral("update"), QStringLiteral("导入会员时，卡内已有余额的卡改为表中的余额（更新）")},
    };
}

CommandLine::Options CommandLine::setUp(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("奶站前台管理系统"));
    parser.addHelpOption();
    parser.addVersionOption();
    const Options o = options();
    parser.addOptions({o.account, o.user, o.quit, o.screenshots, o.newAccount, o.joinAccount,
                       o.sqlite, o.pg, o.manager, o.backup, o.restore, o.listAccounts,
                       o.importKind, o.exportKind, o.dryRun, o.update});
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("--backup 或 --restore 的备份文件，--import 或 --export 的表格文件"),
                                 QStringLiteral("[file]"));
    return o;
}

bool CommandLine::needsNoDisplay(const QStringList &arguments)
{
    static const QStringList words{
        QStringLiteral("-h"),           QStringLiteral("--help"),         QStringLiteral("-?"),
        QStringLiteral("--help-all"),   QStringLiteral("-v"),             QStringLiteral("--version"),
        QStringLiteral("--new-account"), QStringLiteral("--join-account"), QStringLiteral("--backup"),
        QStringLiteral("--restore"),    QStringLiteral("--list-accounts"), QStringLiteral("--import"),
        QStringLiteral("--export")};
    for (const QString &a : arguments.mid(1))
        if (words.contains(a.section(u'=', 0, 0)))
            return true;
    return false;
}

int CommandLine::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options o = setUp(parser);
    parser.process(arguments); // --help, --version and unknown options end here
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    const auto fail = [&](const QString &text) {
        err << oneLine(text) << Qt::endl;
        return 1;
    };
    AccountSets::tightenAtStart();
    try {
        if (parser.isSet(o.listAccounts)) {
            for (const AccountSets::Entry &e : AccountSets::list()) {
                QString engine, where, version = QStringLiteral("?");
                try {
                    const db::ConnectionString cs = db::ConnectionString::parse(e.cnstr);
                    engine =
                        db::Dialect::isServer(cs) ? QStringLiteral("pg") : QStringLiteral("sqlite");
                    where = db::Dialect::isServer(cs) ? cs.toLibpq()
                                                      : QDir::toNativeSeparators(cs.path);
                    version = QString::number(db::Schema::version(e.cnstr));
                } catch (const CoreError &) {
                }
                out << e.name << u'\t' << engine << u'\t' << where << u'\t' << version << u'\t'
                    << (e.lastBackup.isValid() ? e.lastBackup.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                               : QStringLiteral("-"))
                    << Qt::endl;
            }
            return 0;
        }
        if (parser.isSet(o.newAccount)) {
            const QString name = parser.value(o.newAccount);
            const QString password = qEnvironmentVariable("KWPOS_PASSWORD");
            if (parser.isSet(o.sqlite) == parser.isSet(o.pg))
                return fail(QStringLiteral("--new-account 需要 --sqlite 文件 或 --pg 连接参数（二者取一）"));
            if (!parser.isSet(o.manager))
                return fail(QStringLiteral("--new-account 需要 --manager 店长名字"));
            if (password.isEmpty())
                return fail(QStringLiteral("店长密码取自环境变量 KWPOS_PASSWORD，它是空的"));
            if (parser.isSet(o.sqlite)) {
                const QString file = QDir::current().absoluteFilePath(parser.value(o.sqlite));
                ShopSetup::newSqlite(name, file, parser.value(o.manager), password);
                out << QStringLiteral("已新建帐套“%1”：%2").arg(name.trimmed(), QDir::toNativeSeparators(file))
                    << Qt::endl;
                return 0;
            }
            const auto outcome = ShopSetup::openServer(
                name, db::ConnectionString::fromLibpq(parser.value(o.pg)), parser.value(o.manager),
                password, true);
            out << (outcome == ShopSetup::Outcome::Created
                        ? QStringLiteral("已新建帐套“%1”").arg(name.trimmed())
                        : QStringLiteral("已加入帐套“%1”（数据库中已有本程序的帐套）").arg(name.trimmed()))
                << Qt::endl;
            return 0;
        }
        if (parser.isSet(o.joinAccount)) {
            if (!parser.isSet(o.pg))
                return fail(QStringLiteral("--join-account 需要 --pg 连接参数"));
            const QString name = parser.value(o.joinAccount);
            ShopSetup::openServer(name, db::ConnectionString::fromLibpq(parser.value(o.pg)), {}, {}, false);
            out << QStringLiteral("已加入帐套“%1”").arg(name.trimmed()) << Qt::endl;
            return 0;
        }
        if (parser.isSet(o.backup)) {
            const QString cnstr = AccountSets::cnstrOf(parser.value(o.backup));
            if (cnstr.isEmpty())
                return fail(QStringLiteral("帐套“%1”不存在").arg(parser.value(o.backup)));
            if (files.size() > 1)
                return fail(QStringLiteral("--backup 之后只能给出一个文件"));
            const QString target = files.isEmpty() ? QString() : QDir::current().absoluteFilePath(files.first());
            const QString written = db::Backup::make(cnstr, db::Backup::Kind::Manual, target);
            out << QStringLiteral("已备份到 %1").arg(QDir::toNativeSeparators(written)) << Qt::endl;
            return 0;
        }
        if (parser.isSet(o.restore)) {
            const QString name = parser.value(o.restore);
            if (files.size() != 1)
                return fail(QStringLiteral("--restore 需要一个备份文件"));
            QString cnstr = AccountSets::cnstrOf(name);
            db::ConnectionString server;
            const bool newListing = cnstr.isEmpty();
            if (newListing) {
                // A PostgreSQL shop can be restored into a new, empty database and listed.
                if (!parser.isSet(o.pg))
                    return fail(QStringLiteral("帐套“%1”不存在（恢复到新的空数据库时请给出 --pg）").arg(name));
                ShopSetup::checkName(name);
                server = db::ConnectionString::fromLibpq(parser.value(o.pg));
                ShopSetup::testConnection(server);
                ServerPasswords::save(server);
                cnstr = ShopSetup::cnstrOf(server);
            }
            db::Backup::restore(cnstr, QDir::current().absoluteFilePath(files.first()));
            if (newListing)
                AccountSets::add(name.trimmed(), cnstr);
            out << QStringLiteral("已恢复帐套“%1”").arg(name.trimmed()) << Qt::endl;
            return 0;
        }
        if (parser.isSet(o.importKind) || parser.isSet(o.exportKind)) {
            const bool importing = parser.isSet(o.importKind);
            const QString verb = importing ? QStringLiteral("--import") : QStringLiteral("--export");
            const auto kind = ShopImport::kindOf(parser.value(importing ? o.importKind : o.exportKind));
            if (!kind)
                return fail(QStringLiteral("%1 之后须是 items、members 或 orders").arg(verb));
            if (files.size() != 1)
                return fail(QStringLiteral("%1 需要一个表格文件").arg(verb));
            if (!parser.isSet(o.account))
                return fail(QStringLiteral("%1 需要 --account 帐套名称").arg(verb));
            const QString cnstr = AccountSets::cnstrOf(parser.value(o.account));
            if (cnstr.isEmpty())
                return fail(QStringLiteral("帐套“%1”不存在").arg(parser.value(o.account)));
            db::Schema::ensure(cnstr);
            const QString file = QDir::current().absoluteFilePath(files.first());
            if (!importing) {
                const int n = ShopExport::write(cnstr, *kind, file);
                out << QStringLiteral("已导出%1 %2 行到 %3").arg(ShopImport::caption(*kind)).arg(n).arg(
                           QDir::toNativeSeparators(file))
                    << Qt::endl;
                return 0;
            }
            ShopImport::Options options;
            options.update = parser.isSet(o.update);
            const ShopImport::Plan plan = ShopImport::read(cnstr, *kind, file, options, {});
            if (!plan.refusals.isEmpty()) {
                for (const ShopImport::Refusal &r : plan.refusals)
                    err << r.text() << Qt::endl;
                err << QStringLiteral("%1 行不能导入，没有写入任何数据").arg(plan.refusals.size()) << Qt::endl;
                return 1;
            }
            if (parser.isSet(o.dryRun)) {
                out << QStringLiteral("检查通过：%1 行%2可以导入（未写入）").arg(plan.rows).arg(ShopImport::caption(*kind))
                    << Qt::endl;
                return 0;
            }
            const ShopImport::Result r = ShopImport::write(cnstr, plan, options, {});
            out << QStringLiteral("已导入%1：新增 %2，更新 %3，未变 %4")
                       .arg(ShopImport::caption(*kind))
                       .arg(r.added)
                       .arg(r.updated)
                       .arg(r.unchanged)
                << Qt::endl;
            return 0;
        }
    } catch (const CoreError &e) {
        return fail(e.message());
    }
    return fail(QStringLiteral("没有要做的事；kwpos --help 列出选项"));
}

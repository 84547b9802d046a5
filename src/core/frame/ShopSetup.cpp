#include "core/frame/ShopSetup.h"

#include <QDir>
#include <QFileInfo>

#include "core/db/Connection.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/base/CoreError.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/frame/AccountSets.h"
#include "core/frame/PasswordHash.h"
#include "core/base/PrivateFiles.h"
#include "core/frame/ServerPasswords.h"

namespace {

constexpr int kNameMax = 40;

CoreError refusal(const QString &text, const QString &field = QString())
{
    return CoreError::refusal(text, field);
}

// What every shop needs before its first sale, written with the schema in one transaction.
std::function<void(db::Transaction &)> firstRows(const QString &manager, const QString &password)
{
    const QString hash = PasswordHash::hash(password);
    return [manager, hash](db::Transaction &tx) {
        tx.execute(QStringLiteral("insert into t_user (FUserID, FUserName, FManager, FAllowQuerydAys,"
                                  " FPasswordHash) values (?,?,?,?,?)"),
                   {1, manager, 1, 0, hash});
        tx.execute(QStringLiteral("insert into t_pricestyle (FItemID, FName) values (?,?)"),
                   {1, QStringLiteral("零售价")});
        tx.execute(db::Dialect::ddl(tx.engine(),
                                    QStringLiteral("alter table t_icitem add column FPrice_1 {MONEY}")));
    };
}

} // namespace

void ShopSetup::checkName(const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        throw refusal(QStringLiteral("请输入帐套名称！"), QStringLiteral("txtName"));
    if (n.size() > kNameMax)
        throw refusal(QStringLiteral("帐套名称不能超过 %1 个字！").arg(kNameMax), QStringLiteral("txtName"));
    for (const QChar c : n)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            throw refusal(QStringLiteral("帐套名称含有不能用的字符！"), QStringLiteral("txtName"));
    if (!AccountSets::cnstrOf(n).isEmpty())
        throw refusal(QStringLiteral("本机已有名为“%1”的帐套！").arg(n), QStringLiteral("txtName"));
}

void ShopSetup::checkManager(const QString &manager, const QString &password, const QString &confirm)
{
    if (manager.trimmed().isEmpty())
        throw refusal(QStringLiteral("请输入店长（管理员）的名字！"), QStringLiteral("txtManager"));
    if (manager.trimmed().size() > kNameMax)
        throw refusal(QStringLiteral("操作员名字不能超过 %1 个字！").arg(kNameMax), QStringLiteral("txtManager"));
    if (password.isEmpty())
        throw refusal(QStringLiteral("请输入密码！"), QStringLiteral("txtPassword"));
    if (password != confirm)
        throw refusal(QStringLiteral("两次输入的密码不一致！"), QStringLiteral("txtConfirm"));
}

void ShopSetup::newSqlite(const QString &name, const QString &file, const QString &manager,
                          const QString &password)
{
    checkName(name);
    checkManager(manager, password, password);
    if (file.trimmed().isEmpty() || !QDir::isAbsolutePath(file.trimmed()))
        throw refusal(QStringLiteral("请选择帐套文件所在的目录（完整路径）！"), QStringLiteral("txtFolder"));
    const QString path = QDir::cleanPath(file.trimmed());
    if (QFileInfo::exists(path))
        throw refusal(QStringLiteral("文件“%1”已存在，请另选位置！").arg(QDir::toNativeSeparators(path)),
                      QStringLiteral("txtFolder"));
    const QString folder = QFileInfo(path).absolutePath();
    if (!PrivateFiles::makeDir(folder, false) || !QFileInfo(folder).isWritable())
        throw refusal(QStringLiteral("目录“%1”无法创建或不可写！").arg(QDir::toNativeSeparators(folder)),
                      QStringLiteral("txtFolder"));
    if (!PrivateFiles::createFile(path))
        throw refusal(QStringLiteral("无法在目录“%1”中创建帐套文件！").arg(QDir::toNativeSeparators(folder)),
                      QStringLiteral("txtFolder"));
    const QString cnstr = db::ConnectionString::sqlite(path).toString();
    try {
        db::Schema::create(cnstr, firstRows(manager.trimmed(), password));
    } catch (...) {
        // Half a new shop is no shop: the file goes, nothing else was there.
        db::closeAll();
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(path + suffix);
        throw;
    }
    AccountSets::add(name.trimmed(), cnstr);
}

QString ShopSetup::cnstrOf(const db::ConnectionString &server)
{
    db::ConnectionString cs = db::Dialect::asServer(server);
    cs.password.clear();
    return cs.toString();
}

QString ShopSetup::testConnection(db::ConnectionString server)
{
    try {
        const auto c = db::detail::openPostgres(server, 5);
        const db::Rows rows = c->run(QStringLiteral("select version()"), {});
        return rows.isEmpty() ? QString() : rows.first().at(0).toString().section(u',', 0, 0);
    } catch (const db::DbError &e) {
        throw CoreError(QStringLiteral("连接失败：%1").arg(e.message()));
    }
}

ShopSetup::Outcome ShopSetup::openServer(const QString &name, db::ConnectionString server,
                                         const QString &manager, const QString &password,
                                         bool mayCreate)
{
    checkName(name);
    server = db::Dialect::asServer(server);
    if (server.host.trimmed().isEmpty())
        throw refusal(QStringLiteral("请输入服务器地址！"), QStringLiteral("txtHost"));
    if (server.database.trimmed().isEmpty())
        throw refusal(QStringLiteral("请输入数据库名！"), QStringLiteral("txtDatabase"));
    if (server.user.trimmed().isEmpty())
        throw refusal(QStringLiteral("请输入用户名！"), QStringLiteral("txtUser"));
    // Reached with the password typed now, before it is kept anywhere.
    testConnection(server);
    ServerPasswords::save(server);
    const QString cnstr = cnstrOf(server);
    db::closeAll();
    Outcome outcome = Outcome::Joined;
    if (db::Schema::version(cnstr) == 0) {
        if (db::Schema::foreign(cnstr))
            throw CoreError(QStringLiteral("该数据库中已有其他程序的数据表，不是本程序的帐套，不能使用。"));
        if (!mayCreate)
            throw refusal(QStringLiteral("该数据库是空的，还没有帐套；请用“新建帐套”在其中建立。"));
        checkManager(manager, password, password);
        if (db::Schema::create(cnstr, firstRows(manager.trimmed(), password)))
            outcome = Outcome::Created;
    } else {
        db::Schema::ensure(cnstr); // refuses a newer shop, upgrades an older one after a backup
    }
    AccountSets::add(name.trimmed(), cnstr);
    return outcome;
}

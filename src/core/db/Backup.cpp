#include "core/db/Backup.h"

#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include "core/base/StationPaths.h"
#include "core/db/ConnectionString.h"
#include "core/db/Connection.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Schema.h"
#include "core/base/PrivateFiles.h"

namespace db {

namespace {

const QString kStamp = QStringLiteral("yyyyMMdd-HHmmsszzz");

QString kindName(Backup::Kind kind, int from)
{
    switch (kind) {
    case Backup::Kind::Daily:
        return QStringLiteral("daily");
    case Backup::Kind::Manual:
        return QStringLiteral("manual");
    case Backup::Kind::BeforeUpgrade:
        return QStringLiteral("before-upgrade-v%1").arg(from);
    case Backup::Kind::BeforeRestore:
        return QStringLiteral("before-restore");
    }
    return QString();
}

// Flushes a file (or a folder's entries) to the disk, so a rename after it is the point where
// the copy becomes real.
void syncPath(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

// Replaces `to` with `from` in one step.
void replaceFile(const QString &from, const QString &to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), ec);
    if (ec)
        throw DbError(QStringLiteral("无法把“%1”改名为“%2”：%3")
                          .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to),
                               QString::fromLocal8Bit(ec.message().c_str())));
    syncPath(QFileInfo(to).absolutePath());
}

QString stemOf(const ConnectionString &cs)
{
    if (cs.engine == Engine::SQLite)
        return QFileInfo(cs.path).completeBaseName();
    QString stem = cs.database + (cs.schema.isEmpty() ? QString() : u'-' + cs.schema);
    for (const QChar bad : {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|', u' '})
        stem.replace(bad, u'_');
    return stem;
}

// A private connection on a file of our own choosing, closed when it goes.
class FileConnection
{
public:
    explicit FileConnection(const QString &path, bool readOnly)
    {
        try {
            m_conn = detail::openSqlite(path, readOnly);
        } catch (const DbError &e) {
            m_error = e.message();
        }
    }

    QString error() const { return m_error; }
    // The first value of the first row; the engine's message in `error` when it fails.
    QVariant value(const QString &sql, QString *error) const
    {
        try {
            const Rows rows = m_conn->run(sql, {});
            if (rows.isEmpty() || rows.first().count() == 0) {
                *error = QStringLiteral("没有结果");
                return QVariant();
            }
            return rows.first().at(0);
        } catch (const DbError &e) {
            *error = e.message();
            return QVariant();
        }
    }

private:
    std::unique_ptr<detail::Connection> m_conn;
    QString m_error;
};

// Reads the schema version of a SQLite file without changing it; -1 when it cannot.
int versionOf(const QString &path)
{
    FileConnection c(path, true);
    if (!c.error().isEmpty())
        return -1;
    QString error;
    const QVariant v = c.value(QStringLiteral("select max(FVersion) from t_SchemaVersion"), &error);
    return error.isEmpty() ? v.toInt() : -1;
}

QString runTool(const QString &program, const QStringList &args, const Backup::Progress &progress)
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &kv : Backup::toolEnvironment())
        env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    p.setProcessEnvironment(env);
    p.start();
    if (!p.waitForStarted(10000))
        throw DbError(QStringLiteral("无法运行 %1：请安装 postgresql-client。").arg(program));
    QString lastLine;
    QByteArray pending;
    auto readLines = [&] {
        pending += p.readAllStandardError();
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(nl)).trimmed();
            pending.remove(0, nl + 1);
            if (line.isEmpty())
                continue;
            lastLine = line;
            if (progress)
                progress(line);
        }
    };
    while (!p.waitForFinished(200))
        readLines();
    readLines();
    if (!pending.trimmed().isEmpty())
        lastLine = QString::fromUtf8(pending).trimmed();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return lastLine.isEmpty() ? QStringLiteral("%1 失败（退出码 %2）").arg(program).arg(p.exitCode())
                                  : lastLine;
    return QString();
}

// A finished copy on disk first, then under its name: an earlier copy of that name stays
// whole until the new one is complete.
QString putInPlace(const QString &part, const QString &target)
{
    syncPath(part);
    try {
        replaceFile(part, target);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    return target;
}

QString makeSqlite(const QString &cnstr, const QString &target)
{
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    try {
        execute(cnstr, QStringLiteral("VACUUM INTO ?"), {part});
    } catch (const DbError &e) {
        QFile::remove(part);
        throw DbError(QStringLiteral("备份失败：%1").arg(e.message()));
    }
    PrivateFiles::protect(part);
    return putInPlace(part, target);
}

QString makePostgres(const ConnectionString &cs, const QString &target,
                     const Backup::Progress &progress)
{
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    PrivateFiles::createFile(part);
    QStringList args{QStringLiteral("-Fc"), QStringLiteral("-v"), QStringLiteral("-f"), part,
                     QStringLiteral("--dbname=") + cs.toLibpq()};
    if (!cs.schema.isEmpty())
        args << QStringLiteral("--schema=") + cs.schema;
    const QString error = runTool(QStringLiteral("pg_dump"), args, progress);
    if (!error.isEmpty()) {
        QFile::remove(part);
        throw DbError(QStringLiteral("备份失败：%1").arg(error));
    }
    return putInPlace(part, target);
}

// Newest first: the names carry the date and time.
QStringList dailyCopies(const QString &folder, const QString &stem)
{
    return QDir(folder).entryList({stem + QStringLiteral("-daily-*.db")}, QDir::Files,
                                  QDir::Name | QDir::Reversed);
}

// Set before main() by whoever listens; a function's own static is there by then.
Backup::Made &onMade()
{
    static Backup::Made made;
    return made;
}

} // namespace

void Backup::setOnMade(Made made)
{
    onMade() = std::move(made);
}

QStringList Backup::toolEnvironment()
{
    return {QStringLiteral("PGPASSFILE=") + StationPaths::serverPasswordFile(),
            QStringLiteral("PGCONNECT_TIMEOUT=10")};
}

QString Backup::folderFor(const QString &cnstr)
{
    const ConnectionString cs = ConnectionString::parse(cnstr);
    if (cs.engine == Engine::SQLite)
        return QFileInfo(cs.path).absolutePath() + QStringLiteral("/backups");
    return StationPaths::dataDir() + QStringLiteral("/backups");
}

QString Backup::make(const QString &cnstr, Kind kind, const QString &target, const Progress &progress)
{
    const ConnectionString cs = ConnectionString::parse(cnstr);
        QString file = target;
        if (file.isEmpty()) {
            const QString folder = folderFor(cnstr);
            if (!PrivateFiles::makeDir(folder))
                throw DbError(QStringLiteral("备份失败：无法创建备份目录“%1”。")
                                  .arg(QDir::toNativeSeparators(folder)));
            const int from = kind == Kind::BeforeUpgrade ? Schema::version(cnstr) : 0;
            file = folder + u'/' + stemOf(cs) + u'-' + kindName(kind, from) + u'-' +
                   QDateTime::currentDateTime().toString(kStamp) +
                   (cs.engine == Engine::SQLite ? QStringLiteral(".db") : QStringLiteral(".dump"));
        } else {
            file = QFileInfo(file).absoluteFilePath();
            if (!QFileInfo(QFileInfo(file).absolutePath()).isDir())
                throw DbError(QStringLiteral("备份失败：目录“%1”不存在。")
                                  .arg(QDir::toNativeSeparators(QFileInfo(file).absolutePath())));
        }
        const QString written = cs.engine == Engine::SQLite ? makeSqlite(cnstr, file)
                                                            : makePostgres(cs, file, progress);
        if (onMade())
            onMade()(cnstr, QDateTime::currentDateTime());
        return written;
}

QString Backup::daily(const QString &cnstr)
{
    const ConnectionString cs = ConnectionString::parse(cnstr);
    if (cs.engine != Engine::SQLite)
        return QString();
    const QString folder = folderFor(cnstr);
    const QString stem = stemOf(cs);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    for (const QString &name : dailyCopies(folder, stem))
        if (name.mid(stem.size() + 7, 8) == today)
            return QString();
    const QString written = make(cnstr, Kind::Daily);
    const QStringList copies = dailyCopies(folder, stem);
    for (qsizetype i = DailyKept; i < copies.size(); ++i)
        QFile::remove(folder + u'/' + copies.at(i));
    return written;
}

void Backup::beforeUpgrade(const QString &cnstr, int from)
{
    Q_UNUSED(from); // the copy's name reads the version itself
    try {
        make(cnstr, Kind::BeforeUpgrade);
    } catch (const DbError &e) {
        throw DbError(QStringLiteral("帐套未升级：升级前的备份没有做成（%1）").arg(e.message()));
    }
}

QList<Backup::File> Backup::list(const QString &cnstr)
{
    QList<File> files;
    const ConnectionString cs = ConnectionString::parse(cnstr);
    if (cs.engine != Engine::SQLite)
        return files;
    const QDir dir(folderFor(cnstr));
    for (const QFileInfo &f : dir.entryInfoList({QStringLiteral("*.db")}, QDir::Files, QDir::Time))
        files.append({f.absoluteFilePath(), f.lastModified(), f.size(), versionOf(f.absoluteFilePath())});
    return files;
}

int Backup::check(const QString &file)
{
    const QString shown = QDir::toNativeSeparators(file);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("无法读取文件“%1”。").arg(shown));
    if (f.read(16) != QByteArray("SQLite format 3\0", 16))
        throw DbError(QStringLiteral("“%1”不是帐套备份文件。").arg(shown));
    f.close();
    FileConnection c(file, true);
    if (!c.error().isEmpty())
        throw DbError(QStringLiteral("“%1”无法打开：%2").arg(shown, c.error()));
    QString error;
    const QString quick = c.value(QStringLiteral("PRAGMA quick_check"), &error).toString();
    if (!error.isEmpty() || quick != u"ok")
        throw DbError(QStringLiteral("“%1”已损坏：%2").arg(shown, error.isEmpty() ? quick : error));
    const int tables = c.value(QStringLiteral("select count(*) from sqlite_master where type='table'"
                                              " and lower(name) in ('t_schemaversion','t_user',"
                                              "'icstockbill','viporder','vipczbill')"),
                               &error)
                           .toInt();
    if (!error.isEmpty() || tables != 5)
        throw DbError(QStringLiteral("“%1”不是本程序的帐套。").arg(shown));
    const int version = c.value(QStringLiteral("select max(FVersion) from t_SchemaVersion"), &error).toInt();
    if (!error.isEmpty() || version <= 0)
        throw DbError(QStringLiteral("“%1”不是本程序的帐套。").arg(shown));
    if (version > Schema::CurrentVersion)
        throw DbError(QStringLiteral("“%1”的版本（%2）高于本程序支持的版本（%3），请升级程序。")
                          .arg(shown)
                          .arg(version)
                          .arg(Schema::CurrentVersion));
    return version;
}

void Backup::restore(const QString &cnstr, const QString &file, const Progress &progress)
{
    const ConnectionString cs = ConnectionString::parse(cnstr);
    if (!QFileInfo(file).isFile())
        throw DbError(QStringLiteral("文件“%1”不存在。").arg(QDir::toNativeSeparators(file)));
    if (cs.engine == Engine::PostgreSQL) {
        // pg_restore reads the whole list before writing: a file that is not a dump is
        // refused here, with nothing written.
        QString error = runTool(QStringLiteral("pg_restore"), {QStringLiteral("-l"), file}, {});
        if (!error.isEmpty())
            throw DbError(QStringLiteral("恢复失败：%1").arg(error));
        if (Schema::version(cnstr) > 0 || Schema::foreign(cnstr))
            throw DbError(QStringLiteral("恢复失败：目标数据库不是空的。请恢复到一个新建的空数据库。"));
        closeAll();
        error = runTool(QStringLiteral("pg_restore"),
                        {QStringLiteral("-v"), QStringLiteral("--no-owner"),
                         QStringLiteral("--no-privileges"), QStringLiteral("--exit-on-error"),
                         QStringLiteral("--single-transaction"),
                         QStringLiteral("--dbname=") + cs.toLibpq(), file},
                        progress);
        if (!error.isEmpty())
            throw DbError(QStringLiteral("恢复失败：%1").arg(error));
        return;
    }

    // The copy is taken in beside the shop and checked there, so the swap is one rename on
    // one disk and what is checked is what goes in.
    const QString shop = QFileInfo(cs.path).absoluteFilePath();
    const QString incoming = shop + QStringLiteral(".restore");
    QFile::remove(incoming);
    if (!QFile::copy(file, incoming)) {
        QFile::remove(incoming);
        throw DbError(QStringLiteral("恢复失败：无法复制“%1”（磁盘已满或目录不可写？）")
                          .arg(QDir::toNativeSeparators(file)));
    }
    PrivateFiles::protect(incoming);
    try {
        check(incoming);
    } catch (const DbError &e) {
        QFile::remove(incoming);
        throw DbError(QStringLiteral("恢复失败：%1").arg(e.message()).replace(incoming, file));
    }
    syncPath(incoming);

    // What is there now is kept: a consistent copy when the file still reads, its bytes
    // with their logs when it does not.
    if (QFileInfo::exists(shop)) {
        try {
            make(cnstr, Kind::BeforeRestore);
        } catch (const DbError &) {
            const QString folder = folderFor(cnstr);
            PrivateFiles::makeDir(folder);
            const QString base = folder + u'/' + stemOf(cs) + QStringLiteral("-before-restore-") +
                                 QDateTime::currentDateTime().toString(kStamp) + QStringLiteral(".db");
            closeAll();
            for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                if (QFileInfo::exists(shop + suffix) && !QFile::copy(shop + suffix, base + suffix)) {
                    QFile::remove(incoming);
                    throw DbError(QStringLiteral("恢复失败：当前帐套文件无法保存一份（磁盘已满？），未做任何改动。"));
                }
        }
    }
    // The old logs belong to the old file: left beside the new one SQLite would replay them
    // into it.
    closeAll();
    QFile::remove(shop + QStringLiteral("-wal"));
    QFile::remove(shop + QStringLiteral("-shm"));
    replaceFile(incoming, shop);
    PrivateFiles::protectShopFile(shop);
}

} // namespace db

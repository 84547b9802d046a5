#include "TestDb.h"

#include <QRandomGenerator>

#include "core/frame/Session.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"
#include "core/db/Schema.h"

bool TestDb::isPostgres()
{
    return qEnvironmentVariable("KWPOS_TEST_ENGINE") == u"pg";
}

QString TestDb::postgresCnstr()
{
    return qEnvironmentVariable("KWPOS_TEST_PG");
}

bool TestDb::available()
{
    return !isPostgres() || !postgresCnstr().isEmpty();
}

TestDb::TestDb(Content content)
{
    qputenv("KWPOS_CONFIG_DIR", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("KWPOS_DATA_DIR", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    if (isPostgres()) {
        m_engine = db::Engine::PostgreSQL;
        const QString admin = postgresCnstr();
        m_schema = QStringLiteral("kwt_%1_%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(QRandomGenerator::global()->generate64(), 0, 36);
        db::execute(admin, QStringLiteral("create schema %1").arg(m_schema));
        db::ConnectionString cs = db::ConnectionString::parse(admin);
        cs.schema = m_schema;
        m_cnstr = cs.toString();
    } else {
        m_cnstr = db::ConnectionString::sqlite(m_dir.path() + QStringLiteral("/shop.db")).toString();
    }
    if (content == Content::Demo)
        DemoData::create(m_cnstr);
    else
        db::Schema::ensure(m_cnstr);
}

TestDb::~TestDb()
{
    db::closeAll();
    if (!m_schema.isEmpty()) {
        try {
            db::execute(postgresCnstr(), QStringLiteral("drop schema %1 cascade").arg(m_schema));
        } catch (...) {
            qWarning("could not drop test schema %s", qPrintable(m_schema));
        }
        db::closeAll();
    }
    Session::current() = Session();
}

void TestDb::login(int userId, const QString &userName) const
{
    Session &s = Session::current();
    s = Session();
    s.UserID = userId;
    s.UserName = userName;
    s.acctname = QStringLiteral("测试帐套");
    s.Cnstr = m_cnstr;
}

void TestDb::addUser(int userId, const QString &name, bool manager, int allowQueryDays,
                     const QStringList &grants) const
{
    db::execute(m_cnstr,
                QStringLiteral("insert into t_user (FUserID, FUserName, FManager, FAllowQuerydAys)"
                               " values (?,?,?,?)"),
                {userId, name, manager ? 1 : 0, allowQueryDays});
    for (const QString &g : grants) {
        const QStringList kv = g.split(u'=');
        db::execute(m_cnstr,
                    QStringLiteral("insert into t_user_grant (FUserID, FKey, FValue) values (?,?,?)"),
                    {userId, kv.value(0), kv.value(1, QStringLiteral("1")).toInt()});
    }
}

#include "TestDb.h"

#include "core/db/Connection.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/demo/DemoData.h"
#include "core/base/CoreError.h"
#include "core/frame/Session.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

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
        m_cnstr =
            db::ConnectionString::sqlite(m_dir.path() + QStringLiteral("/shop.db")).toString();
    }
    if (content == Content::Demo)
        DemoData::create(m_cnstr);
    else if (content == Content::Schema)
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
        db::execute(
            m_cnstr,
            QStringLiteral("insert into t_user_grant (FUserID, FKey, FValue) values (?,?,?)"),
            {userId, kv.value(0), kv.value(1, QStringLiteral("1")).toInt()});
    }
}

void TestDb::failOn(const QString &event, const QString &table) const
{
    if (m_engine == db::Engine::PostgreSQL) {
        db::execute(m_cnstr,
                    QStringLiteral("create or replace function kwpos_fail() returns trigger"
                                   " language plpgsql as"
                                   " $$ begin raise exception 'forced failure'; end $$"));
        db::execute(m_cnstr, QStringLiteral("create trigger kwpos_fail before %1 on %2 for each row"
                                            " execute function kwpos_fail()")
                                 .arg(event, table));
    } else {
        db::execute(m_cnstr, QStringLiteral("create trigger kwpos_fail before %1 on %2"
                                            " begin select raise(abort, 'forced failure'); end")
                                 .arg(event, table));
    }
}

QString TestDb::refusalOf(const std::function<void()> &action, QString *field)
{
    try {
        action();
    } catch (const CoreError &e) {
        if (field)
            *field = e.field();
        return e.isRefusal() ? e.message() : QStringLiteral("failure: ") + e.message();
    }
    return QString();
}

QString TestDb::refusalAt(const std::function<void()> &action)
{
    QString field;
    const QString message = refusalOf(action, &field);
    return message.isEmpty() ? message : message + QStringLiteral(" @ ") + field;
}

void TestDb::insert(const QString &cnstr, const QString &into, const QList<QVariantList> &rows)
{
    for (const QVariantList &row : rows)
        db::execute(cnstr,
                    QStringLiteral("insert into %1 values (%2)")
                        .arg(into, QStringList(row.size(), QStringLiteral("?")).join(u',')),
                    row);
}

void TestDb::saveCashSale(const QString &cnstr, Money price)
{
    SaleBill bill;
    bill.date = QDate::currentDate();
    bill.stockId = 1;
    bill.add(1, QStringLiteral("鲜奶"), 1, price);
    SalePayment pay;
    pay.cash = price;
    SaleBillStore::save(cnstr, bill, pay, 1);
}

QString TestDb::dump(const QString &cnstr, const QString &sql, const QVariantList &params)
{
    QStringList rows;
    for (const db::Row &r : db::query(cnstr, sql, params)) {
        QStringList values;
        for (int i = 0; i < r.count(); ++i) {
            const QVariant v = r.at(i);
            // Amounts may come back as text with trailing zeros; card and phone numbers are
            // text made of digits and stay as they are.
            const bool numeric = v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int ||
                                 v.typeId() == QMetaType::LongLong ||
                                 QRegularExpression(QStringLiteral("^-?\\d+\\.\\d+$"))
                                     .match(v.toString())
                                     .hasMatch();
            const double d = v.toDouble();
            if (v.isNull())
                values << QString();
            else if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime)
                values << v.toDateTime()
                              .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                              .remove(QStringLiteral(" 00:00:00"));
            else
                values << (numeric ? QString::number(d, 'g', 15) : v.toString());
        }
        rows << values.join(u',');
    }
    return rows.join(u';');
}

QStringList TestDb::runStations(const QString &program, const QList<QStringList> &args)
{
    std::vector<std::unique_ptr<QProcess>> stations;
    for (const QStringList &a : args) {
        stations.push_back(std::make_unique<QProcess>());
        stations.back()->start(program, a);
    }
    QStringList out;
    for (const auto &p : stations) {
        if (!p->waitForFinished(300000) || p->exitStatus() != QProcess::NormalExit ||
            p->exitCode() != 0)
            out << QStringLiteral("station failed: ") +
                       QString::fromUtf8(p->readAllStandardError());
        else
            out << QString::fromUtf8(p->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
    return out;
}

QString TestDb::movementChain(const QString &cnstr, const QString &vipNo)
{
    Money end;
    for (const db::Row &r :
         db::query(cnstr,
                   QStringLiteral("select FInterID, FBegAmount, FEndAmount from VipCzBill"
                                  " where FVipNo=? order by FInterID"),
                   {vipNo})) {
        if (r.money(QStringLiteral("FBegAmount")) != end ||
            r.money(QStringLiteral("FEndAmount")).isNegative())
            return QStringLiteral("broken at %1").arg(r.integer(QStringLiteral("FInterID")));
        end = r.money(QStringLiteral("FEndAmount"));
    }
    return end.format();
}

void TestDb::backToVersion3(const QString &cnstr)
{
    db::execute(cnstr, QStringLiteral("drop index ux_tdbill_type_name"));
    db::execute(cnstr, QStringLiteral("drop table t_icitem_code"));
    for (const char *index : {"ix_viporder_owner", "ix_vipczbill_owner", "ix_icstockbill_owner"})
        db::execute(cnstr, QStringLiteral("drop index %1").arg(QLatin1String(index)));
    for (const char *table : {"t_icitem", "t_stock", "t_user"})
        db::execute(cnstr, QStringLiteral("alter table %1 drop column FDisabled").arg(QLatin1String(table)));
    db::execute(cnstr, QStringLiteral("update t_SchemaVersion set FVersion=?"), {3});
}

qint64 TestDb::saveRoundTrips(const QString &cnstr)
{
    return db::connection(cnstr, QStringLiteral("tx"))->roundTrips();
}

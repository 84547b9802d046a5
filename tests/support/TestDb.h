#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include "core/db/ConnectionString.h"
#include "core/base/Money.h"

// A fresh, empty-schema account set for one test: a SQLite file in a temporary folder, or a
// schema of its own in the PostgreSQL database named by KWPOS_TEST_PG when the run is for
// PostgreSQL (KWPOS_TEST_ENGINE=pg). Settings go to the same temporary folder. Dropped on
// destruction.
class TestDb
{
public:
    enum class Content { Empty, Schema, Demo };
    explicit TestDb(Content content = Content::Schema);
    ~TestDb();
    TestDb(const TestDb &) = delete;
    TestDb &operator=(const TestDb &) = delete;

    QString cnstr() const { return m_cnstr; }
    db::Engine engine() const { return m_engine; }
    QString dir() const { return m_dir.path(); }

    // Fills the session as if this operator had logged in to this account set.
    void login(int userId, const QString &userName) const;

    // Adds an operator (manager or not) with rights given as "key=value" pairs.
    void addUser(int userId, const QString &name, bool manager, int allowQueryDays = 0,
                 const QStringList &grants = {}) const;

    // Makes every `event` ("insert", "update") on `table` fail, as a lost connection would.
    void failOn(const QString &event, const QString &table) const;
    // The refusal an action raises: empty when it goes through, "failure: ..." for any other
    // error. `field` receives the field the refusal sends the cashier to.
    static QString refusalOf(const std::function<void()> &action, QString *field = nullptr);
    // The same as one text, "message @ field"; empty when the action goes through.
    static QString refusalAt(const std::function<void()> &action);

    // Inserts these rows into "table (columns)", every value bound.
    static void insert(const QString &cnstr, const QString &into, const QList<QVariantList> &rows);
    // Saves a cash sale of one unit of item 1 at this price from warehouse 1, by operator 1,
    // dated today: a bill to back up, restore or count.
    static void saveCashSale(const QString &cnstr, Money price);

    // A query's rows as text, the same on both engines: values joined by ",", rows by ";",
    // numbers without trailing zeros, dates ISO, NULL empty.
    static QString dump(const QString &cnstr, const QString &sql, const QVariantList &params = {});

    // Walks a card's stored-value movements in order: each must begin where the one before
    // ended and none end below 0. The last end balance, or where the chain broke.
    static QString movementChain(const QString &cnstr, const QString &vipNo);
    // Takes away what the upgrades after version 3 add and marks the database version 3, so a
    // test can watch a true upgrade from it.
    static void backToVersion3(const QString &cnstr);

    // Runs these station processes at once and hands back what they printed, line by line; a
    // station that fails or hangs reports that instead.
    static QStringList runStations(const QString &program, const QList<QStringList> &args);

    // Whether the run's engine is usable here; a PostgreSQL run without KWPOS_TEST_PG is not.
    static bool available();
    static bool isPostgres();
    // Round trips to the server so far on the connection saves take (0 on SQLite).
    static qint64 saveRoundTrips(const QString &cnstr);
    // The administrative connection string of the throwaway PostgreSQL cluster.
    static QString postgresCnstr();

private:
    QTemporaryDir m_dir;
    QString m_cnstr;
    QString m_schema;
    db::Engine m_engine = db::Engine::SQLite;
};

// Skips the whole test case when the run's engine is not available.
#define KWPOS_REQUIRE_ENGINE()                                                                     \
    do {                                                                                           \
        if (!TestDb::available())                                                                  \
            QSKIP("KWPOS_TEST_PG is not set");                                                     \
    } while (0)

// QCOMPARE prints money as the screens do, with all four decimals when they matter.
inline char *toString(const Money &m)
{
    return qstrdup(
        QStringLiteral("%1 (%2 units)").arg(m.format()).arg(m.units()).toUtf8().constData());
}

#include "core/exchange/BulkRows.h"

#include <QRegularExpression>

#include "core/db/Database.h"
#include "core/db/Transaction.h"

namespace bulk {

namespace {

QString marks(int n)
{
    QString s;
    s.reserve(n * 2);
    for (int i = 0; i < n; ++i)
        s += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    return s;
}

} // namespace

Run on(const QString &cnstr)
{
    return [cnstr](const QString &sql, const db::Params &p) { return db::query(cnstr, sql, p); };
}

Run on(db::Transaction &tx)
{
    return [&tx](const QString &sql, const db::Params &p) { return tx.query(sql, p); };
}

db::Rows in(const Run &run, const QString &sql, const db::Params &keys, const db::Params &before)
{
    db::Rows out;
    const QString full = sql.arg(marks(KeysPerStatement));
    for (qsizetype at = 0; at < keys.size(); at += KeysPerStatement) {
        const qsizetype n = std::min<qsizetype>(KeysPerStatement, keys.size() - at);
        db::Params params = before;
        params.append(keys.mid(at, n));
        const db::Rows rows = run(n == KeysPerStatement ? full : sql.arg(marks(int(n))), params);
        out.append(rows);
    }
    return out;
}

Insert::Insert(db::Transaction &tx, const QString &head, const QString &row)
    : m_tx(tx), m_head(head), m_row(row), m_perRow(int(row.count(u'?')))
{
    // Within SQLite's oldest limit of bound values, and a few hundred rows on either engine:
    // past that a longer statement saves no more round trips worth having.
    m_perStatement = std::max(1, std::min(400, 999 / std::max(1, m_perRow)));
    // Rows of plain values go to PostgreSQL by COPY, thousands at a time: the server's own
    // bulk path, no statement to parse or plan. A row naming an expression keeps the insert.
    static const QRegularExpression table(QStringLiteral("^insert into (\\w+) \\(([\\w, ]+)\\)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = table.match(head.trimmed());
    QString marks = row;
    marks.remove(u' ');
    if (tx.engine() == db::Engine::PostgreSQL && m.hasMatch() && marks.startsWith(u'(') &&
        marks.endsWith(u')') && marks.mid(1, marks.size() - 2).split(u',') == QStringList(m_perRow, QStringLiteral("?"))) {
        m_table = m.captured(1);
        for (const QString &c : m.captured(2).split(u','))
            m_columns << c.trimmed();
        if (m_columns.size() == m_perRow)
            m_perStatement = 5000;
        else
            m_columns.clear();
    }
    if (m_columns.isEmpty())
        m_full = statement(m_perStatement);
    m_values.reserve(m_perStatement * m_perRow);
}

QString Insert::statement(int rows) const
{
    QString sql = m_head + QStringLiteral(" values ");
    sql.reserve(sql.size() + rows * (m_row.size() + 1));
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            sql += u',';
        sql += m_row;
    }
    return sql;
}

void Insert::add(const db::Params &values)
{
    Q_ASSERT(values.size() == m_perRow);
    m_values.append(values);
    if (++m_waiting == m_perStatement)
        flush();
}

void Insert::flush()
{
    if (m_waiting == 0)
        return;
    if (!m_columns.isEmpty())
        m_tx.copyRows(m_table, m_columns, m_values);
    else // on PostgreSQL several batches share a round trip
        m_tx.queue(m_waiting == m_perStatement ? m_full : statement(m_waiting), m_values);
    m_values.clear();
    m_waiting = 0;
}

QHash<int, ItemRecord> itemsOf(const Run &run, const db::Params &ids)
{
    QHash<int, ItemRecord> items;
    const db::Rows rows = in(run, QStringLiteral("select * from t_icitem where FItemID in (%1)"), ids);
    if (rows.isEmpty())
        return items;
    const ItemStore::PriceColumns prices = ItemStore::priceColumns(rows.first().columns());
    items.reserve(rows.size());
    for (const db::Row &r : rows) {
        ItemRecord item = ItemStore::fromRow(r, prices);
        items.insert(item.id, item);
    }
    // In the order ItemStore::load reads them, so that an unchanged item compares equal.
    for (const db::Row &c : in(run, QStringLiteral("select FItemID, FBarCode, FPriceStyleID, FExchange, FPrice"
                                                  " from t_icitem_barcode where FItemID in (%1)"
                                                  " order by FItemID, FBarCode"),
                               ids)) {
        const auto it = items.find(c.integer(QStringLiteral("FItemID")));
        if (it != items.end())
            it->codes.append({c.text(QStringLiteral("FBarCode")), c.integer(QStringLiteral("FPriceStyleID")),
                              c.integer(QStringLiteral("FExchange")), c.money(QStringLiteral("FPrice"))});
    }
    return items;
}

} // namespace bulk

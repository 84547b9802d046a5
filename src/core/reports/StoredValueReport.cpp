#include "core/reports/ListCells.h"
#include "core/reports/StoredValueReport.h"

#include <algorithm>

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/base/Money.h"
#include "core/base/NumberText.h"
#include "core/members/StoredValueLedger.h"

namespace {

// What a movement adds to the card's balance, as the ledger counts it.
QString signedAmount(const QString &t)
{
    return StoredValueLedger::signedAmountSql(t);
}

struct Movement
{
    QDate date;
    QString vipNo, owner, phone, biller, remark;
    int type = 0;
    double k = 0, cz = 0, beg = 0, end = 0;
    double balance = 0; // 106/109: the card's balance after this movement

    double signedAmount() const { return type == 1 ? k : type == 2 ? -k : 0; }
    bool refund() const { return type == 1 && k < 0; }
    QString kind() const
    {
        return type == 2  ? QStringLiteral("消费")
               : refund() ? QStringLiteral("退款")
                          : QStringLiteral("充值");
    }
    // The gift field of a refund may hold a stale number; only recharges give.
    double gift() const { return type == 1 && !refund() ? k - cz : 0; }
};

QString money(double v)
{
    // The engine's sums reach us as doubles; shown as exact money, rounded half away from zero.
    return Money::fromDouble(v).format();
}

QString cardFilter(const StoredValueReport::Filter &f, const QString &column, db::Params &params)
{
    if (f.vipNo.trimmed().isEmpty())
        return QString();
    params << f.vipNo.trimmed();
    return QStringLiteral(" and %1=?").arg(column);
}

// The movements of the range in the order they happened. With running set, each carries the
// card's balance after it, summed by the engine from the card's opening balance.
db::Statement movementsSql(const StoredValueReport::Filter &f, bool rechargesOnly, bool running)
{
    db::Params params;
    QString opening;
    if (running) {
        params << f.from;
        opening =
            QStringLiteral(
                " left join (select coalesce(FVipNo,'') as FVipNo, sum(%1) as FBal from VipCzBill"
                " where FDate<?%2 group by coalesce(FVipNo,'')) o on "
                "o.FVipNo=coalesce(t1.FVipNo,'')")
                .arg(signedAmount(QString()), cardFilter(f, QStringLiteral("FVipNo"), params));
    }
    // The recharge list shows a recharge's phone, amounts and balances; the flows need less.
    QString sql = QStringLiteral(
        "select t1.FDate, t1.FVipNo, t1.FOwner, t1.FTranType, t1.FKAmount, t1.FRemark, t2.FUserName");
    if (rechargesOnly)
        sql += QStringLiteral(", t1.FPhone, t1.FCzAmount, t1.FBegAmount, t1.FEndAmount");
    if (running)
        sql += QStringLiteral(
                   ", coalesce(o.FBal,0) + sum(%1) over (partition by coalesce(t1.FVipNo,'')"
                   " order by t1.FDate, t1.FCreateTime, t1.FInterID rows unbounded preceding)"
                   " as FRunBal")
                   .arg(signedAmount(QStringLiteral("t1.")));
    sql += QStringLiteral(" from VipCzBill t1 left join t_user t2 on t1.FBillerID=t2.FUserID") +
           opening + QStringLiteral(" where t1.FDate>=? and t1.FDate<?");
    params << f.from << f.to.addDays(1); // half-open: the last day whole, whatever its time
    sql += rechargesOnly ? QStringLiteral(" and t1.FTranType=1")
                         : QStringLiteral(" and t1.FTranType in (1,2)");
    sql += cardFilter(f, QStringLiteral("t1.FVipNo"), params);
    sql += QStringLiteral(" order by t1.FDate, t1.FCreateTime, t1.FInterID");
    return {sql, params};
}

QList<Movement> movementsOf(const db::Rows &rows, bool running, bool recharges)
{
    QList<Movement> out;
    out.reserve(rows.size());
    for (const db::Row &r : rows) {
        Movement m;
        m.date = r.date(QStringLiteral("FDate"));
        m.vipNo = r.text(QStringLiteral("FVipNo"));
        m.owner = r.text(QStringLiteral("FOwner"));
        m.biller = r.text(QStringLiteral("FUserName"));
        m.remark = r.text(QStringLiteral("FRemark"));
        m.type = r.integer(QStringLiteral("FTranType"));
        m.k = r.number(QStringLiteral("FKAmount"));
        if (recharges) {
            m.phone = r.text(QStringLiteral("FPhone"));
            m.cz = r.number(QStringLiteral("FCzAmount"));
            m.beg = r.number(QStringLiteral("FBegAmount"));
            m.end = r.number(QStringLiteral("FEndAmount"));
        }
        if (running)
            m.balance = r.number(QStringLiteral("FRunBal"));
        out.append(m);
    }
    return out;
}

QList<Movement> movements(const QString &cnstr, const StoredValueReport::Filter &f,
                          bool rechargesOnly, bool running)
{
    const db::Statement s = movementsSql(f, rechargesOnly, running);
    return movementsOf(db::query(cnstr, s.sql, s.params), running, rechargesOnly);
}

// One card's balance from every movement dated before the report's first day, and the name
// it was last known by then.
db::Statement openingSql(const QDate &from, const QString &card)
{
    return {QStringLiteral("select max(FOwner) as FOwner, coalesce(sum(%1),0) as FBal from VipCzBill"
                           " where FDate<? and FVipNo=?")
                .arg(signedAmount(QString())),
            {from, card}};
}

struct Summary
{
    QString vipNo, owner;
    double beg = 0, cz = 0, zs = 0, tk = 0, xf = 0;
    bool moved = false;
};

// 104: each card's opening balance and the range's recharges, gifts, refunds and payments,
// summed by the engine; the name is the last one the range shows, else the older one.
QList<Summary> summaries(const QString &cnstr, const StoredValueReport::Filter &f)
{
    // A card's name, looked up per card through the card index: the last one the range shows,
    // else the greatest one before it. Movements without a card count as card "".
    auto perCard = [](const QString &select, const QString &where) {
        return QStringLiteral("case when a.FVipNo<>'' then (select %1 from VipCzBill x where"
                              " x.FVipNo=a.FVipNo and %2) else (select %1 from VipCzBill x where"
                              " (x.FVipNo is null or x.FVipNo='') and %2) end")
            .arg(select, where);
    };
    const QString last = perCard(
        QStringLiteral("x.FOwner"),
        QStringLiteral("x.FDate>=? and x.FDate<? and x.FTranType in (1,2) and x.FOwner<>''"
                       " order by x.FDate desc, x.FCreateTime desc, x.FInterID desc limit 1"));
    const QString older = perCard(QStringLiteral("max(x.FOwner)"), QStringLiteral("x.FDate<?"));
    const QString inRange = QStringLiteral("FDate>=? and ");
    const QString recharge = QStringLiteral("FTranType=1 and coalesce(FKAmount,0)>=0");
    const QDate to1 = f.to.addDays(1); // ranges are half-open
    db::Params params{f.from, to1, f.from, to1, f.from, f.from};
    params << f.from << f.from << f.from << f.from << f.from << f.from << to1;
    // The sums read only the covering index of (card, date, type, amounts).
    QString sql =
        QStringLiteral("select a.*, coalesce(%4, %5) as FName from (select"
                       " coalesce(FVipNo,'') as FVipNo,"
                       " sum(case when FDate<? then %1 else 0 end) as FBeg,"
                       " sum(case when %2FTranType in (1,2) then 1 else 0 end) as FMoves,"
                       " sum(case when %2%3 then coalesce(FCzAmount,0) else 0 end) as FCz,"
                       " sum(case when %2%3 then coalesce(FKAmount,0)-coalesce(FCzAmount,0)"
                       " else 0 end) as FZs,"
                       " sum(case when %2FTranType=1 and FKAmount<0 then -FKAmount else 0"
                       " end) as FTk,"
                       " sum(case when %2FTranType=2 then coalesce(FKAmount,0) else 0 end)"
                       " as FXf from VipCzBill where FDate<?")
            .arg(signedAmount(QString()), inRange, recharge, last, older);
    sql += cardFilter(f, QStringLiteral("FVipNo"), params);
    sql += QStringLiteral(" group by coalesce(FVipNo,'')) a");
    QList<Summary> out;
    for (const db::Row &r : db::query(cnstr, sql, params)) {
        Summary s;
        s.vipNo = r.text(QStringLiteral("FVipNo"));
        s.owner = r.text(QStringLiteral("FName"));
        s.beg = r.number(QStringLiteral("FBeg"));
        s.moved = r.integer(QStringLiteral("FMoves")) > 0;
        s.cz = r.number(QStringLiteral("FCz"));
        s.zs = r.number(QStringLiteral("FZs"));
        s.tk = r.number(QStringLiteral("FTk"));
        s.xf = r.number(QStringLiteral("FXf"));
        out.append(s);
    }
    // Ordered here, not by the engine, so a server collation cannot change the card order.
    std::sort(out.begin(), out.end(),
              [](const Summary &a, const Summary &b) { return a.vipNo < b.vipNo; });
    return out;
}

using Col = GridSnapshot::Column;

} // namespace

bool StoredValueReport::known(int number)
{
    return number == 103 || number == 104 || number == 106 || number == 109;
}

QString StoredValueReport::title(int number)
{
    switch (number) {
    case 103:
        return QStringLiteral("充值明细表");
    case 104:
        return QStringLiteral("充值消费汇总表");
    case 106:
        return QStringLiteral("充值消费流水帐");
    case 109:
        return QStringLiteral("会员对账单");
    default:
        return QString();
    }
}

QList<GridSnapshot::Column> StoredValueReport::columns(int number)
{
    switch (number) {
    case 103:
        return {{QStringLiteral("FDate"), QStringLiteral("日期"), 90, false},
                {QStringLiteral("FVipNo"), QStringLiteral("卡号"), 80, false},
                {QStringLiteral("FOwner"), QStringLiteral("持卡人"), 80, false},
                {QStringLiteral("FPhone"), QStringLiteral("电话"), 100, false},
                {QStringLiteral("FKind"), QStringLiteral("类型"), 50, false},
                {QStringLiteral("FCzAmount"), QStringLiteral("充值金额"), 80, true},
                {QStringLiteral("FZsAmount"), QStringLiteral("赠送金额"), 80, true},
                {QStringLiteral("FKAmount"), QStringLiteral("入卡金额"), 80, true},
                {QStringLiteral("FBegAmount"), QStringLiteral("充前余额"), 80, true},
                {QStringLiteral("FEndAmount"), QStringLiteral("充后余额"), 80, true},
                {QStringLiteral("FBiller"), QStringLiteral("经办人"), 70, false},
                {QStringLiteral("FRemark"), QStringLiteral("备注"), 120, false}};
    case 104:
        return {{QStringLiteral("FVipNo"), QStringLiteral("卡号"), 80, false},
                {QStringLiteral("FOwner"), QStringLiteral("持卡人"), 90, false},
                {QStringLiteral("FBegBal"), QStringLiteral("期初余额"), 90, true},
                {QStringLiteral("FCzAmount"), QStringLiteral("充值"), 90, true},
                {QStringLiteral("FZsAmount"), QStringLiteral("赠送"), 80, true},
                {QStringLiteral("FTkAmount"), QStringLiteral("退款"), 80, true},
                {QStringLiteral("FXfAmount"), QStringLiteral("消费"), 90, true},
                {QStringLiteral("FEndBal"), QStringLiteral("期末余额"), 90, true}};
    case 106:
        return {{QStringLiteral("FDate"), QStringLiteral("日期"), 90, false},
                {QStringLiteral("FVipNo"), QStringLiteral("卡号"), 80, false},
                {QStringLiteral("FOwner"), QStringLiteral("持卡人"), 80, false},
                {QStringLiteral("FKind"), QStringLiteral("摘要"), 60, false},
                {QStringLiteral("FIn"), QStringLiteral("存入"), 90, true},
                {QStringLiteral("FOut"), QStringLiteral("支出"), 90, true},
                {QStringLiteral("FBal"), QStringLiteral("余额"), 90, true},
                {QStringLiteral("FBiller"), QStringLiteral("经办人"), 70, false},
                {QStringLiteral("FRemark"), QStringLiteral("备注"), 140, false}};
    case 109:
        return {{QStringLiteral("FDate"), QStringLiteral("日期"), 90, false},
                {QStringLiteral("FKind"), QStringLiteral("摘要"), 80, false},
                {QStringLiteral("FIn"), QStringLiteral("存入"), 90, true},
                {QStringLiteral("FOut"), QStringLiteral("支出"), 90, true},
                {QStringLiteral("FBal"), QStringLiteral("余额"), 90, true},
                {QStringLiteral("FBiller"), QStringLiteral("经办人"), 80, false},
                {QStringLiteral("FRemark"), QStringLiteral("备注"), 160, false}};
    default:
        return {};
    }
}

StoredValueReport::Result StoredValueReport::run(const QString &cnstr, int number, const Filter &f)
{
    if (!known(number))
        throw CoreError(QStringLiteral("没有编号为 %1 的报表").arg(number));
    if (!f.from.isValid() || !f.to.isValid() || f.from > f.to)
        throw CoreError(QStringLiteral("开始日期不能晚于结束日期！"));
    Result res;
    if (number == 103) {
        res.columns = columns(number);
        double cz = 0, zs = 0, k = 0;
        for (const Movement &m : movements(cnstr, f, true, false)) {
            res.lines.append({m.date.toString(Qt::ISODate), m.vipNo, m.owner, m.phone, m.kind(),
                              money(m.cz), money(m.gift()), money(m.k), money(m.beg), money(m.end),
                              m.biller, m.remark});
            cz += m.cz;
            zs += m.gift();
            k += m.k;
        }
        res.total = ListCells::totalRow(res.columns,
                                        {{"FVipNo", QStringLiteral("%1笔").arg(res.lines.size())},
                                         {"FCzAmount", money(cz)},
                                         {"FZsAmount", money(zs)},
                                         {"FKAmount", money(k)}})
                        .cells;
        return res;
    }
    if (number == 104) {
        res.columns = columns(number);
        Summary t;
        for (const Summary &s : summaries(cnstr, f)) {
            if (!s.moved && qAbs(s.beg) < 0.005)
                continue;
            const double end = s.beg + s.cz + s.zs - s.tk - s.xf;
            res.lines.append({s.vipNo, s.owner, money(s.beg), money(s.cz), money(s.zs), money(s.tk),
                              money(s.xf), money(end)});
            t.beg += s.beg;
            t.cz += s.cz;
            t.zs += s.zs;
            t.tk += s.tk;
            t.xf += s.xf;
        }
        res.total = ListCells::totalRow(res.columns,
                                        {{"FOwner", QStringLiteral("%1人").arg(res.lines.size())},
                                         {"FBegBal", money(t.beg)},
                                         {"FCzAmount", money(t.cz)},
                                         {"FZsAmount", money(t.zs)},
                                         {"FTkAmount", money(t.tk)},
                                         {"FXfAmount", money(t.xf)},
                                         {"FEndBal", money(t.beg + t.cz + t.zs - t.tk - t.xf)}})
                        .cells;
        return res;
    }
    // 106 and 109: movements with the running balance of the member.
    const bool statement = number == 109;
    if (statement && f.vipNo.trimmed().isEmpty())
        throw CoreError(QStringLiteral("请输入会员卡号！"));
    res.columns = columns(number);
    // The member's statement asks for its opening balance in the same round trip.
    // One card's statement reads its opening balance with its movements, in one round trip,
    // and runs the balance on from it; the flow of many cards has the engine run each card's.
    const db::Statement moving = movementsSql(f, false, !statement);
    const QList<db::Rows> read =
        statement ? db::queryTogether(cnstr, {moving, openingSql(f.from, f.vipNo.trimmed())})
                  : QList<db::Rows>{db::query(cnstr, moving.sql, moving.params)};
    QList<Movement> moves = movementsOf(read.first(), !statement, false);
    double closing = 0;
    if (statement) {
        if (!read.last().isEmpty()) {
            res.owner = read.last().first().text(QStringLiteral("FOwner"));
            closing = read.last().first().number(QStringLiteral("FBal"));
        }
        Money running = Money::fromDouble(closing);
        for (Movement &m : moves) {
            running += Money::fromDouble(m.signedAmount());
            m.balance = running.toDouble();
        }
        for (const Movement &m : moves)
            if (!m.owner.isEmpty())
                res.owner = m.owner;
        res.lines.append({f.from.toString(Qt::ISODate), QStringLiteral("期初余额"), QString(),
                          QString(), money(closing), QString(), QString()});
    }
    double in = 0, out = 0;
    for (const Movement &m : moves) {
        const double s = m.signedAmount();
        const QString sIn = s >= 0 ? money(s) : QString();
        const QString sOut = s < 0 ? money(-s) : QString();
        if (s >= 0)
            in += s;
        else
            out += -s;
        closing = m.balance;
        if (statement)
            res.lines.append({m.date.toString(Qt::ISODate), m.kind(), sIn, sOut, money(m.balance),
                              m.biller, m.remark});
        else
            res.lines.append({m.date.toString(Qt::ISODate), m.vipNo, m.owner, m.kind(), sIn, sOut,
                              money(m.balance), m.biller, m.remark});
    }
    if (statement)
        res.total =
            ListCells::totalRow(
                res.columns, {{"FIn", money(in)}, {"FOut", money(out)}, {"FBal", money(closing)}})
                .cells;
    else
        res.total =
            ListCells::totalRow(res.columns, {{"FVipNo", QStringLiteral("%1笔").arg(moves.size())},
                                              {"FIn", money(in)},
                                              {"FOut", money(out)}})
                .cells;
    return res;
}

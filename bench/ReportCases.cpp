#include "Cases.h"

#include <functional>

#include "core/base/Money.h"
#include "core/reports/ListCells.h"
#include "core/reports/StoredValueReport.h"

#include "Seed.h"
#include "Statements.h"

namespace bench {

namespace {

enum ReportStmt { R103 = 120, R104, R106, R109 };

const QString kSigned = QStringLiteral(
    "case when FTranType=1 then coalesce(FKAmount,0) when FTranType=2 then -coalesce(FKAmount,0)"
    " else 0 end");

// The reports written by hand: ?1 the first day, ?2 the day after the last (ranges are
// half-open, so a time of day on the last day still counts), ?3 the card of 109. Each returns
// exactly what the lines show, the kind of a movement and a recharge's gift already worked out.
QString sql103()
{
    return QStringLiteral(
        "select t1.FDate, t1.FVipNo, t1.FOwner, t1.FPhone, case when t1.FKAmount<0 then '退款'"
        " else '充值' end, coalesce(t1.FCzAmount,0), case when t1.FKAmount<0 then 0 else"
        " coalesce(t1.FKAmount,0)-coalesce(t1.FCzAmount,0) end, coalesce(t1.FKAmount,0),"
        " coalesce(t1.FBegAmount,0), coalesce(t1.FEndAmount,0), t2.FUserName, t1.FRemark"
        " from VipCzBill t1 left join t_user t2 on t1.FBillerID=t2.FUserID where t1.FDate>=?1"
        " and t1.FDate<?2 and t1.FTranType=1 order by t1.FDate, t1.FCreateTime, t1.FInterID");
}

// One pass over the card index alone for the sums, the quiet cards left out there; then each
// card's name through the index: the last one the range shows, else the greatest one before.
QString sql104(bool lite)
{
    const QString inRange = QStringLiteral("FDate>=?1 and ");
    const QString recharge = QStringLiteral("FTranType=1 and coalesce(FKAmount,0)>=0");
    const QString sums =
        QStringLiteral(
            "select coalesce(FVipNo,'') as v, coalesce(sum(%1) filter (where FDate<?1),0) as beg,"
            " coalesce(sum(coalesce(FCzAmount,0)) filter (where %2%3),0) as cz,"
            " coalesce(sum(coalesce(FKAmount,0)-coalesce(FCzAmount,0)) filter (where %2%3),0)"
            " as zs, coalesce(sum(-FKAmount) filter (where %2FTranType=1 and FKAmount<0),0) as tk,"
            " coalesce(sum(coalesce(FKAmount,0)) filter (where %2FTranType=2),0) as xf"
            " from VipCzBill where FDate<?2 group by 1 having count(*) filter (where"
            " %2FTranType in (1,2))>0 or abs(coalesce(sum(%1) filter (where FDate<?1),0))>=0.005")
            .arg(kSigned, inRange, recharge);
    // A card's rows through the card index; the rows without a card are card "".
    auto perCard = [](const QString &select, const QString &where) {
        return QStringLiteral("case when s.v<>'' then (select %1 from VipCzBill x where"
                              " x.FVipNo=s.v and %2) else (select %1 from VipCzBill x where"
                              " (x.FVipNo is null or x.FVipNo='') and %2) end")
            .arg(select, where);
    };
    return QStringLiteral("select s.v, coalesce(%1, %2), s.beg, s.cz, s.zs, s.tk, s.xf from (%3) s"
                          " order by s.v%4")
        .arg(perCard(QStringLiteral("x.FOwner"),
                     QStringLiteral("x.FDate>=?1 and x.FDate<?2 and x.FTranType in (1,2) and"
                                    " x.FOwner<>'' order by x.FDate desc, x.FCreateTime desc,"
                                    " x.FInterID desc limit 1")),
             perCard(QStringLiteral("max(x.FOwner)"), QStringLiteral("x.FDate<?1")), sums,
             lite ? QString() : QStringLiteral(" collate \"C\""));
}

// kSigned over the movements named t1.
QString signedOfT1()
{
    return QString(kSigned).replace(u"FTranType"_qs, u"t1.FTranType"_qs)
        .replace(u"FKAmount"_qs, u"t1.FKAmount"_qs);
}

// Every movement with the card's balance after it: each card's opening from the card index,
// then a running sum in the range.
QString sql106()
{
    return QStringLiteral(
               "select t1.FDate, t1.FVipNo, t1.FOwner, t1.FTranType, coalesce(t1.FKAmount,0),"
               " coalesce(o.b,0) + sum(%1) over (partition by coalesce(t1.FVipNo,'') order by"
               " t1.FDate, t1.FCreateTime, t1.FInterID rows unbounded preceding), t2.FUserName,"
               " t1.FRemark from VipCzBill t1 left join t_user t2 on t1.FBillerID=t2.FUserID"
               " left join (select coalesce(FVipNo,'') as v, sum(%2) as b from VipCzBill where"
               " FDate<?1 group by 1) o on o.v=coalesce(t1.FVipNo,'') where t1.FDate>=?1 and"
               " t1.FDate<?2 and t1.FTranType in (1,2) order by t1.FDate, t1.FCreateTime,"
               " t1.FInterID")
        .arg(signedOfT1(), kSigned);
}

// One card's statement in one statement: the opening row and its name joined to the range's
// movements (a card without any still gives the opening row).
QString sql109()
{
    return QStringLiteral(
               "select t1.FDate, t1.FTranType, coalesce(t1.FKAmount,0), o.b + coalesce(sum(%1)"
               " over (order by t1.FDate, t1.FCreateTime, t1.FInterID rows unbounded preceding),0),"
               " t2.FUserName, t1.FRemark, t1.FOwner, o.b, o.owner from (select"
               " coalesce(sum(%2),0) as b, max(FOwner) as owner from VipCzBill where FVipNo=?3"
               " and FDate<?1) o left join VipCzBill t1 on t1.FVipNo=?3 and t1.FDate>=?1 and"
               " t1.FDate<?2 and t1.FTranType in (1,2) left join t_user t2 on"
               " t1.FBillerID=t2.FUserID order by t1.FDate, t1.FCreateTime, t1.FInterID")
        .arg(signedOfT1(), kSigned);
}

QString cell(const QString &number)
{
    return Money::parse(number).format();
}

QString kindOf(int type, Money k)
{
    return type == 2 ? QStringLiteral("消费") : k.isNegative() ? QStringLiteral("退款")
                                                               : QStringLiteral("充值");
}

QString day(const QString &date)
{
    return date.left(10);
}

// The report as the raw rows make it: the same lines and total row, every amount exact.
StoredValueReport::Result build(int number, const Table &t, const QString &from)
{
    StoredValueReport::Result r;
    r.columns = StoredValueReport::columns(number);
    if (number == 103) {
        Money cz, zs, k;
        for (const Texts &x : t) {
            r.lines.append({day(x[0]), x[1], x[2], x[3], x[4], cell(x[5]), cell(x[6]), cell(x[7]),
                            cell(x[8]), cell(x[9]), x[10], x[11]});
            cz += Money::parse(x[5]);
            zs += Money::parse(x[6]);
            k += Money::parse(x[7]);
        }
        r.total = ListCells::totalRow(r.columns, {{"FVipNo", QStringLiteral("%1笔").arg(t.size())},
                                                  {"FCzAmount", cz.format()},
                                                  {"FZsAmount", zs.format()},
                                                  {"FKAmount", k.format()}})
                      .cells;
    } else if (number == 104) {
        Money s[5];
        for (const Texts &x : t) {
            Money v[5];
            for (int i = 0; i < 5; ++i)
                s[i] += v[i] = Money::parse(x[2 + i]);
            r.lines.append({x[0], x[1], v[0].format(), v[1].format(), v[2].format(), v[3].format(),
                            v[4].format(), (v[0] + v[1] + v[2] - v[3] - v[4]).format()});
        }
        r.total = ListCells::totalRow(r.columns, {{"FOwner", QStringLiteral("%1人").arg(t.size())},
                                                  {"FBegBal", s[0].format()},
                                                  {"FCzAmount", s[1].format()},
                                                  {"FZsAmount", s[2].format()},
                                                  {"FTkAmount", s[3].format()},
                                                  {"FXfAmount", s[4].format()},
                                                  {"FEndBal", (s[0] + s[1] + s[2] - s[3] - s[4])
                                                                  .format()}})
                      .cells;
    } else {
        const bool statement = number == 109;
        Money in, out, closing;
        int moves = 0;
        if (statement) {
            closing = Money::parse(t.at(0)[7]);
            r.owner = t.at(0)[8];
            r.lines.append({from, QStringLiteral("期初余额"), QString(), QString(),
                            closing.format(), QString(), QString()});
        }
        for (const Texts &x : t) {
            if (x[0].isEmpty())
                continue; // 109's opening row alone: no movement in the range
            const int type = statement ? x[1].toInt() : x[3].toInt();
            const Money k = Money::parse(statement ? x[2] : x[4]);
            const Money s = type == 1 ? k : type == 2 ? -k : Money();
            const Money bal = Money::parse(statement ? x[3] : x[5]);
            const QString sIn = s.isNegative() ? QString() : s.format();
            const QString sOut = s.isNegative() ? (-s).format() : QString();
            (s.isNegative() ? out : in) += s.isNegative() ? -s : s;
            closing = bal;
            ++moves;
            if (statement) {
                if (!x[6].isEmpty())
                    r.owner = x[6];
                r.lines.append({day(x[0]), kindOf(type, k), sIn, sOut, bal.format(), x[4], x[5]});
            } else {
                r.lines.append({day(x[0]), x[1], x[2], kindOf(type, k), sIn, sOut, bal.format(),
                                x[6], x[7]});
            }
        }
        r.total = statement ? ListCells::totalRow(r.columns, {{"FIn", in.format()},
                                                              {"FOut", out.format()},
                                                              {"FBal", closing.format()}})
                                  .cells
                            : ListCells::totalRow(r.columns,
                                                  {{"FVipNo", QStringLiteral("%1笔").arg(moves)},
                                                   {"FIn", in.format()},
                                                   {"FOut", out.format()}})
                                  .cells;
    }
    return r;
}

void same(int number, const char *range, const StoredValueReport::Result &ours,
          const StoredValueReport::Result &raw)
{
    auto differs = [&](const QString &where, const QStringList &a, const QStringList &b) {
        fail(QStringLiteral("report %1, a %2, %3: ours [%4], raw [%5]")
                 .arg(number)
                 .arg(QLatin1String(range), where, a.join(u'|'), b.join(u'|')));
    };
    if (ours.lines.size() != raw.lines.size())
        differs(QStringLiteral("line count"), {QString::number(ours.lines.size())},
                {QString::number(raw.lines.size())});
    for (qsizetype i = 0; i < ours.lines.size(); ++i)
        if (ours.lines[i] != raw.lines[i])
            differs(QStringLiteral("line %1").arg(i + 1), ours.lines[i], raw.lines[i]);
    if (ours.total != raw.total)
        differs(QStringLiteral("total"), ours.total, raw.total);
    if (ours.owner != raw.owner)
        differs(QStringLiteral("member"), {ours.owner}, {raw.owner});
}

} // namespace

void reports(Bench &b)
{
    const bool lite = b.engine == db::Engine::SQLite;
    auto numbered = [&](QString sql) {
        if (!lite)
            for (int i = 3; i >= 1; --i)
                sql.replace(QStringLiteral("?%1").arg(i), QStringLiteral("$%1").arg(i));
        return sql;
    };
    b.raw->prepare(R103, numbered(sql103()));
    b.raw->prepare(R104, numbered(sql104(lite)));
    b.raw->prepare(R106, numbered(sql106()));
    b.raw->prepare(R109, numbered(sql109()));
    struct Range
    {
        const char *name;
        QDate from, to;
    };
    const Range ranges[] = {{"month", QDate(2026, 6, 1), QDate(2026, 6, 30)},
                            {"year", QDate(2026, 1, 1), QDate(2026, 12, 31)}};
    const QString card = QStringLiteral("V%1").arg(7 % b.z.members, 5, 10, QLatin1Char('0'));
    for (const Range &r : ranges)
        for (const int number : {103, 104, 106, 109}) {
            const QString from = r.from.toString(Qt::ISODate),
                          to = r.to.addDays(1).toString(Qt::ISODate);
            const QString vipNo = number == 109 ? card : QString();
            const int id = number == 103 ? R103 : number == 104 ? R104 : number == 106 ? R106 : R109;
            StoredValueReport::Result ours, raw;
            std::vector<double> to1, tr1;
            // Both sides make the report's lines: ours as the window gets them, raw from its
            // statement's texts.
            rounds(
                b.z.reportRounds,
                [&](int) { ours = StoredValueReport::run(b.cnstr, number, {r.from, r.to, vipNo}); },
                [&](int) {
                    raw = build(number,
                                b.raw->run(id, number == 109 ? Texts{from, to, vipNo} : Texts{from, to}),
                                from);
                },
                to1, tr1);
            same(number, r.name, ours, raw);
            line(QStringLiteral("report %1, a %2 (%3 lines)")
                     .arg(number)
                     .arg(QString::fromLatin1(r.name))
                     .arg(ours.lines.size()),
                 b.engineName(), to1, tr1);
        }
}

} // namespace bench

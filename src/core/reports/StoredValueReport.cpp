#include "core/reports/StoredValueReport.h"

#include <QMap>

#include "core/frame/NumberText.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"

namespace {

struct Movement
{
    QDate date;
    QString vipNo, owner, phone, biller, remark;
    int type = 0;
    double k = 0, cz = 0, zs = 0, beg = 0, end = 0;

    double signedAmount() const { return type == 1 ? k : type == 2 ? -k : 0; }
    bool refund() const { return type == 1 && k < 0; }
    QString kind() const
    {
        return type == 2 ? QStringLiteral("消费") : refund() ? QStringLiteral("退款") : QStringLiteral("充值");
    }
    // The gift field of a refund may hold a stale number; only recharges give.
    double gift() const { return type == 1 && !refund() ? k - cz : 0; }
};

QString money(double v)
{
    return NumberText::money(v);
}

QList<Movement> movements(const QString &cnstr, const StoredValueReport::Filter &f, bool rechargesOnly)
{
    QString sql = QStringLiteral(
        "select t1.FDate, t1.FVipNo, t1.FOwner, t1.FPhone, t1.FTranType, t1.FKAmount, t1.FCzAmount,"
        " t1.FZsAmount, t1.FBegAmount, t1.FEndAmount, t1.FRemark, t2.FUserName"
        " from VipCzBill t1 left join t_user t2 on t1.FBillerID=t2.FUserID"
        " where t1.FDate>=? and t1.FDate<=?");
    db::Params params{f.from, f.to};
    if (rechargesOnly)
        sql += QStringLiteral(" and t1.FTranType=1");
    else
        sql += QStringLiteral(" and t1.FTranType in (1,2)");
    if (!f.vipNo.trimmed().isEmpty()) {
        sql += QStringLiteral(" and t1.FVipNo=?");
        params << f.vipNo.trimmed();
    }
    sql += QStringLiteral(" order by t1.FDate, t1.FCreateTime, t1.FInterID");
    QList<Movement> out;
    for (const db::Row &r : db::query(cnstr, sql, params)) {
        Movement m;
        m.date = r.date(QStringLiteral("FDate"));
        m.vipNo = r.text(QStringLiteral("FVipNo"));
        m.owner = r.text(QStringLiteral("FOwner"));
        m.phone = r.text(QStringLiteral("FPhone"));
        m.biller = r.text(QStringLiteral("FUserName"));
        m.remark = r.text(QStringLiteral("FRemark"));
        m.type = r.integer(QStringLiteral("FTranType"));
        m.k = r.number(QStringLiteral("FKAmount"));
        m.cz = r.number(QStringLiteral("FCzAmount"));
        m.zs = r.number(QStringLiteral("FZsAmount"));
        m.beg = r.number(QStringLiteral("FBegAmount"));
        m.end = r.number(QStringLiteral("FEndAmount"));
        out.append(m);
    }
    return out;
}

// Balance of each card from every movement dated before the report's first day.
QMap<QString, double> openingBalances(const QString &cnstr, const StoredValueReport::Filter &f,
                                      QMap<QString, QString> *owners)
{
    QString sql = QStringLiteral(
        "select FVipNo, max(FOwner) as FOwner, coalesce(sum(case when FTranType=1 then FKAmount"
        " when FTranType=2 then -FKAmount else 0 end),0) as FBal from VipCzBill where FDate<?");
    db::Params params{f.from};
    if (!f.vipNo.trimmed().isEmpty()) {
        sql += QStringLiteral(" and FVipNo=?");
        params << f.vipNo.trimmed();
    }
    sql += QStringLiteral(" group by FVipNo");
    QMap<QString, double> out;
    for (const db::Row &r : db::query(cnstr, sql, params)) {
        out.insert(r.text(QStringLiteral("FVipNo")), r.number(QStringLiteral("FBal")));
        if (owners)
            owners->insert(r.text(QStringLiteral("FVipNo")), r.text(QStringLiteral("FOwner")));
    }
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
        throw db::DbError(QStringLiteral("没有编号为 %1 的报表").arg(number));
    if (!f.from.isValid() || !f.to.isValid() || f.from > f.to)
        throw db::DbError(QStringLiteral("开始日期不能晚于结束日期！"));
    Result res;
    if (number == 103) {
        res.columns = columns(number);
        double cz = 0, zs = 0, k = 0;
        for (const Movement &m : movements(cnstr, f, true)) {
            res.lines.append({m.date.toString(Qt::ISODate), m.vipNo, m.owner, m.phone, m.kind(),
                              money(m.cz), money(m.gift()), money(m.k), money(m.beg), money(m.end),
                              m.biller, m.remark});
            cz += m.cz;
            zs += m.gift();
            k += m.k;
        }
        res.total = {QStringLiteral("合计"), QStringLiteral("%1笔").arg(res.lines.size()), QString(),
                     QString(), QString(), money(cz), money(zs), money(k), QString(), QString(),
                     QString(), QString()};
        return res;
    }
    if (number == 104) {
        res.columns = columns(number);
        struct Sum
        {
            QString owner;
            double beg = 0, cz = 0, zs = 0, tk = 0, xf = 0;
            bool moved = false;
        };
        QMap<QString, QString> owners;
        QMap<QString, Sum> sums;
        const QMap<QString, double> opening = openingBalances(cnstr, f, &owners);
        for (auto it = opening.cbegin(); it != opening.cend(); ++it) {
            sums[it.key()].beg = it.value();
            sums[it.key()].owner = owners.value(it.key());
        }
        for (const Movement &m : movements(cnstr, f, false)) {
            Sum &s = sums[m.vipNo];
            s.moved = true;
            if (!m.owner.isEmpty())
                s.owner = m.owner;
            if (m.type == 2)
                s.xf += m.k;
            else if (m.refund())
                s.tk += -m.k;
            else {
                s.cz += m.cz;
                s.zs += m.gift();
            }
        }
        Sum t;
        for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
            const Sum &s = it.value();
            if (!s.moved && qAbs(s.beg) < 0.005)
                continue;
            const double end = s.beg + s.cz + s.zs - s.tk - s.xf;
            res.lines.append({it.key(), s.owner, money(s.beg), money(s.cz), money(s.zs), money(s.tk),
                              money(s.xf), money(end)});
            t.beg += s.beg;
            t.cz += s.cz;
            t.zs += s.zs;
            t.tk += s.tk;
            t.xf += s.xf;
        }
        res.total = {QStringLiteral("合计"), QStringLiteral("%1人").arg(res.lines.size()), money(t.beg),
                     money(t.cz), money(t.zs), money(t.tk), money(t.xf),
                     money(t.beg + t.cz + t.zs - t.tk - t.xf)};
        return res;
    }
    // 106 and 109: movements with the running balance of the member.
    const bool statement = number == 109;
    if (statement && f.vipNo.trimmed().isEmpty())
        throw db::DbError(QStringLiteral("请输入会员卡号！"));
    res.columns = columns(number);
    QMap<QString, QString> owners;
    QMap<QString, double> balance = openingBalances(cnstr, f, &owners);
    const QList<Movement> moves = movements(cnstr, f, false);
    if (statement) {
        const QString card = f.vipNo.trimmed();
        res.owner = owners.value(card);
        for (const Movement &m : moves)
            if (!m.owner.isEmpty())
                res.owner = m.owner;
        res.lines.append({f.from.toString(Qt::ISODate), QStringLiteral("期初余额"), QString(), QString(),
                          money(balance.value(card)), QString(), QString()});
    }
    double in = 0, out = 0;
    for (const Movement &m : moves) {
        const double s = m.signedAmount();
        double &bal = balance[m.vipNo];
        bal += s;
        const QString sIn = s >= 0 ? money(s) : QString();
        const QString sOut = s < 0 ? money(-s) : QString();
        if (s >= 0)
            in += s;
        else
            out += -s;
        if (statement)
            res.lines.append({m.date.toString(Qt::ISODate), m.kind(), sIn, sOut, money(bal), m.biller, m.remark});
        else
            res.lines.append({m.date.toString(Qt::ISODate), m.vipNo, m.owner, m.kind(), sIn, sOut, money(bal),
                              m.biller, m.remark});
    }
    if (statement)
        res.total = {QStringLiteral("合计"), QString(), money(in), money(out),
                     money(balance.value(f.vipNo.trimmed())), QString(), QString()};
    else
        res.total = {QStringLiteral("合计"), QStringLiteral("%1笔").arg(moves.size()), QString(), QString(),
                     money(in), money(out), QString(), QString(), QString()};
    return res;
}

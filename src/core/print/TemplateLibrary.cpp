#include "core/print/ReceiptFields.h"
#include "core/print/TemplateLibrary.h"

#include <QDateTime>

#include "core/print/PrintTypes.h"

namespace {

using S = PrintTemplate::Section;

PrintTemplate::Line L(S s, const char *cells, const char *widths = "", const char *aligns = "",
                      double size = 9, bool bold = false, const char *when = "")
{
    return PrintTemplate::makeLine(s, QString::fromUtf8(cells), QString::fromLatin1(widths),
                                   QString::fromLatin1(aligns), size, bold, QString::fromLatin1(when));
}

PrintTemplate saleReceipt()
{
    PrintTemplate t;
    t.paper = QStringLiteral("80");
    t.lines = {
        L(S::Header, "鲜奶店 销售小票", "", "C", 13, true),
        L(S::Header, "日期：{FDate:yyyy-MM-dd}|收银：{FBiller}", "55,45", "LR"),
        L(S::Header, "会员：{FVipNo}", "", "L", 9, false, "FOwner"),
        L(S::Header, "-"),
        L(S::Header, "品名|数量|单价|金额", "46,14,20,20", "LRRR", 9, true),
        L(S::Header, "-"),
        L(S::Band, "{FName}|{FQty}|{FPrice}|{FAmount}", "46,14,20,20", "LRRR"),
        L(S::Band, "  取订奶 余量 {FBegBal} → {FEndBal}  有效期 {Fyxq}", "", "L", 8, false, "!FPrice"),
        L(S::Footer, "-"),
        L(S::Footer, "合计数量：{FSumQty}|应收：{FSumAmount}", "50,50", "LR", 10, true),
        L(S::Footer, "现金：{FGetCash:0.00}|储值支付：{FGetReserve:0.00}", "50,50", "LR"),
        L(S::Footer, "储值余额：{FReserveBal:0.00}|订奶余量：{FSumEndBal}", "50,50", "LR", 9, false, "FOwner"),
        L(S::Footer, "-"),
        L(S::Footer, "打印时间：{FPrintTime:yyyy-MM-dd HH:mm:ss}", "", "L", 8),
        L(S::Footer, "谢谢惠顾，欢迎再来！", "", "C", 10),
    };
    return t;
}

PrintTemplate orderBill()
{
    PrintTemplate t;
    t.paper = QStringLiteral("80");
    t.lines = {
        L(S::Header, "鲜奶店 会员订奶单", "", "C", 13, true),
        L(S::Header, "日期：{FDate:yyyy-MM-dd}|收银：{FBiller}", "55,45", "LR"),
        L(S::Header, "会员：{FVipNo}"),
        L(S::Header, "电话：{FPhone}", "", "L", 9, false, "FPhone"),
        L(S::Header, "-"),
        L(S::Header, "品名|订量|赠送|单价|金额", "36,14,14,16,20", "LRRRR", 9, true),
        L(S::Header, "-"),
        L(S::Band, "{FName}|{FQty}|{FPreQty}|{FPrice}|{FAmount}", "36,14,14,16,20", "LRRRR"),
        L(S::Band, "  有效期至 {Fyxq}", "", "L", 8, false, "Fyxq"),
        L(S::Footer, "-"),
        L(S::Footer, "合计数量：{FSumQty}|合计金额：{FSumAmount}", "50,50", "LR", 10, true),
        L(S::Footer, "现金：{FGetCash:0.00}|储值支付：{FGetReserve:0.00}", "50,50", "LR"),
        L(S::Footer, "退还现金：{FCashBack:0.00}", "", "L", 10, true, "FCashBack"),
        L(S::Footer, "储值余额：{FReserveBal:0.00}"),
        L(S::Footer, "-"),
        L(S::Footer, "打印时间：{FPrintTime:yyyy-MM-dd HH:mm:ss}", "", "L", 8),
        L(S::Footer, "请凭会员卡按时取奶，谢谢！", "", "C", 10),
    };
    return t;
}

PrintTemplate rechargeSlip()
{
    PrintTemplate t;
    t.paper = QStringLiteral("80");
    t.lines = {
        L(S::Header, "鲜奶店 会员充值", "", "C", 13, true),
        L(S::Header, "日期：{FDate:yyyy-MM-dd}"),
        L(S::Header, "卡号：{FVipNo}"),
        L(S::Header, "持卡人：{FOwner}"),
        L(S::Header, "-"),
        L(S::Header, "充值前余额：|{FBegBal:0.00}", "55,45", "LR"),
        L(S::Header, "充值金额：|{FCzAmount:0.00}", "55,45", "LR", 10, true),
        L(S::Header, "赠送金额：|{FZsAmount:0.00}", "55,45", "LR", 9, false, "FZsAmount"),
        L(S::Header, "充值后余额：|{FEndBal:0.00}", "55,45", "LR", 10, true),
        L(S::Header, "-"),
        L(S::Header, "收银：{FBiller}"),
        L(S::Header, "打印时间：{FPrintTime:yyyy-MM-dd HH:mm:ss}", "", "L", 8),
        L(S::Header, "顾客签字：", "", "L", 9),
        L(S::Header, " "),
    };
    return t;
}

PrintTemplate rechargeBill()
{
    PrintTemplate t;
    t.paper = QStringLiteral("A5");
    t.landscape = true;
    t.margin = 12;
    t.lines = {
        L(S::Header, "会员储值充值单", "", "C", 18, true),
        L(S::Header, " "),
        L(S::Header, "卡号：{FVipNo}|持卡人：{FOwner}|日期：{FDate:yyyy年M月d日}", "34,33,33", "LLR", 11),
        L(S::Header, "-"),
        L(S::Header, "充值前余额|充值金额|赠送金额|充值后余额", "25,25,25,25", "CCCC", 11, true),
        L(S::Header, "{FBegBal:#,0.00}|{FCzAmount:#,0.00}|{FZsAmount:#,0.00}|{FEndBal:#,0.00}",
          "25,25,25,25", "CCCC", 12),
        L(S::Header, "-"),
        L(S::Header, " "),
        L(S::Header, "经办人：{FBiller}|顾客签字：|打印时间：{FPrintTime:yyyy-MM-dd HH:mm}",
          "34,33,33", "LLR", 10),
    };
    return t;
}

} // namespace

QString TemplateLibrary::typeName(int tranType)
{
    switch (tranType) {
    case PrintTypes::Sale:
        return QStringLiteral("销售小票");
    case PrintTypes::Order:
        return QStringLiteral("会员订奶单");
    case PrintTypes::Recharge:
        return QStringLiteral("充值单");
    default:
        return QStringLiteral("单据类型 %1").arg(tranType);
    }
}

QList<TemplateLibrary::Entry> TemplateLibrary::demoTemplates()
{
    return {{PrintTypes::Sale, QStringLiteral("标准格式"), saleReceipt()},
            {PrintTypes::Order, QStringLiteral("标准格式"), orderBill()},
            {PrintTypes::Recharge, QStringLiteral("充值单"), rechargeBill()},
            {PrintTypes::Recharge, QStringLiteral("充值小票"), rechargeSlip()}};
}

PrintTemplate TemplateLibrary::builtIn(int tranType)
{
    switch (tranType) {
    case PrintTypes::Sale:
        return saleReceipt();
    case PrintTypes::Order:
        return orderBill();
    case PrintTypes::Recharge:
        return rechargeSlip();
    default: {
        PrintTemplate t;
        t.lines = {L(S::Header, "单据", "", "C", 12, true), L(S::Header, "-")};
        return t;
    }
    }
}

RecordSet TemplateLibrary::sample(int tranType)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (tranType == PrintTypes::Recharge) {
        RecordSet rs = ReceiptFields::recharge();
        rs.addNew();
        const QList<std::pair<const char *, QVariant>> v{
            {"FVipNo", QStringLiteral("V0001")}, {"FDate", now.date()}, {"FOwner", QStringLiteral("张丽")},
            {"FBegBal", 343.6}, {"FCzAmount", 500.0}, {"FZsAmount", 50.0}, {"FEndBal", 893.6},
            {"FBiller", QStringLiteral("收银员")}, {"FPrintTime", now}};
        for (const auto &[k, val] : v)
            rs.setValue(QString::fromLatin1(k), val);
        rs.moveFirst();
        return rs;
    }
    const bool order = tranType == PrintTypes::Order;
    RecordSet rs = order ? ReceiptFields::order() : ReceiptFields::sale();
    struct Line
    {
        const char *name, *qty, *pre, *price, *amount, *beg, *end, *yxq;
    };
    const QList<Line> lines =
        order ? QList<Line>{{"鲜牛奶 250ml", "60", "6", "3.20", "192.00", "", "", "2027-03-31"},
                            {"原味酸奶 150g", "30", "3", "2.80", "84.00", "", "", "2027-03-31"}}
              : QList<Line>{{"鲜牛奶 250ml", "2", "", "", "", "54", "52", "2027-03-31"},
                            {"草莓酸奶 150g", "2", "", "3.20", "6.40", "2", "0", ""}};
    const ReceiptFields::Header header{now.date(),
                                       QStringLiteral("V0001"),
                                       QStringLiteral("张丽"),
                                       order ? QStringLiteral("99") : QStringLiteral("4"),
                                       order ? QStringLiteral("276.00") : QStringLiteral("6.40"),
                                       QStringLiteral("收银员"),
                                       now,
                                       order ? Money::fromCents(7600) : Money(),
                                       order ? Money::fromCents(20000) : Money::fromCents(640),
                                       order ? Money::fromCents(34360) : Money::fromCents(33720)};
    for (const Line &l : lines) {
        rs.addNew();
        ReceiptFields::setHeader(rs, header);
        rs.setValue(QStringLiteral("FName"), QString::fromUtf8(l.name));
        rs.setValue(QStringLiteral("FQty"), QString::fromLatin1(l.qty));
        rs.setValue(QStringLiteral("FPrice"), QString::fromLatin1(l.price));
        rs.setValue(QStringLiteral("FAmount"), QString::fromLatin1(l.amount));
        rs.setValue(QStringLiteral("Fyxq"), QString::fromLatin1(l.yxq));
        if (order) {
            rs.setValue(QStringLiteral("FPhone"), QStringLiteral("13800000001"));
            rs.setValue(QStringLiteral("FPreQty"), QString::fromLatin1(l.pre));
            rs.setValue(QStringLiteral("FCashBack"), 0.0);
        } else {
            rs.setValue(QStringLiteral("FBegBal"), QString::fromLatin1(l.beg));
            rs.setValue(QStringLiteral("FEndBal"), QString::fromLatin1(l.end));
            rs.setValue(QStringLiteral("FSumBegBal"), QStringLiteral("54"));
            rs.setValue(QStringLiteral("FSumEndBal"), QStringLiteral("52"));
        }
    }
    rs.moveFirst();
    return rs;
}

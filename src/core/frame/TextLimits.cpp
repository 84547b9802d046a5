#include "core/frame/TextLimits.h"

#include <QHash>

#include "core/base/CoreError.h"

namespace {

// The text columns the saves write; every one is varchar(255) on PostgreSQL (Dialect's {TEXT}).
const QHash<QString, int> &lengths()
{
    static const QHash<QString, int> table = [] {
        QHash<QString, int> t;
        for (const char *c :
             {"ICStockBill.FVipNo", "ICStockBill.FOwner", "VipOrder.FVipNo", "VipOrder.FOwner",
              "VipOrder.FPhone", "VipOrder.FVipID", "VipOrder.FRemark", "VipCzBill.FVipNo",
              "VipCzBill.FVipID", "VipCzBill.FOwner", "VipCzBill.FPhone", "VipCzBill.FRemark",
              "t_VipCardReplaced.FNewVipNo"})
            t.insert(QString::fromLatin1(c).toLower(), 255);
        return t;
    }();
    return table;
}

} // namespace

int TextLimits::of(const QString &column)
{
    return lengths().value(column.toLower(), 255);
}

QString TextLimits::message(int max)
{
    return QStringLiteral("输入的内容太长（最多%1个字）！").arg(max);
}

void TextLimits::check(std::initializer_list<Text> texts)
{
    for (const Text &t : texts) {
        const int max = of(QString::fromLatin1(t.column));
        // Characters as the engine counts them: a character beyond the BMP is one, not two.
        if (t.value.size() > max && t.value.toUcs4().size() > max)
            throw CoreError::refusal(message(max), QString::fromLatin1(t.field));
    }
}

#include "core/backoffice/RecordGuard.h"

#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"

namespace {
// The first key of the two-key advisory locks, apart from the per-card locks of the ledger.
constexpr int kBackOfficeLock = 0x6b7762; // "kwb"
} // namespace

QString RecordGuard::staleMessage()
{
    return QStringLiteral("资料已被其他站点修改，请重新打开！");
}

void RecordGuard::lock(db::Transaction &tx, Kind kind)
{
    db::Dialect::lockKey(tx, kBackOfficeLock, static_cast<int>(kind));
}

int RecordGuard::nextId(db::Transaction &tx, const QString &table, const QString &keyColumn)
{
    // Names are the stores' own constants, never typed text.
    return tx.scalar(QStringLiteral("select coalesce(max(%1),0)+1 from %2").arg(keyColumn, table))
        .toInt();
}

QString RecordGuard::text(const QString &typed, const QString &caption, const QString &field,
                          bool required)
{
    const QString t = typed.trimmed();
    if (required && t.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入%1！").arg(caption), field);
    if (t.toUcs4().size() > MaxLength)
        throw CoreError::refusal(
            QStringLiteral("%1太长（最多%2个字）！").arg(caption).arg(MaxLength), field);
    return t;
}

#include "core/print/TemplateStore.h"

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/db/Transaction.h"
#include "core/print/TemplateLibrary.h"

QStringList TemplateStore::names(const QString &cnstr, int tranType)
{
    QStringList out;
    for (const db::Row &r : db::query(cnstr, QStringLiteral("select FTDBillName from TDBill where FTranType=?"),
                                      {tranType}))
        out << r.text(QStringLiteral("FTDBillName"));
    return out;
}

std::optional<QString> TemplateStore::text(const QString &cnstr, int tranType, const QString &name)
{
    const db::Rows rows = db::query(
        cnstr, QStringLiteral("select FTemplate from TDBill where FTranType=? and FTDBillName=?"),
        {tranType, name});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().text(QStringLiteral("FTemplate"));
}

PrintTemplate TemplateStore::resolve(const QString &cnstr, int tranType, const QString &name,
                                     bool *usedBuiltIn)
{
    const std::optional<QString> stored = text(cnstr, tranType, name);
    if (stored && !stored->trimmed().isEmpty()) {
        try {
            if (usedBuiltIn)
                *usedBuiltIn = false;
            return PrintTemplate::fromJson(*stored);
        } catch (const CoreError &e) {
            // A damaged template must not cost the customer the receipt.
            qWarning("template %d/%s unreadable: %s", tranType, qPrintable(name), qPrintable(e.message()));
        }
    }
    if (usedBuiltIn)
        *usedBuiltIn = true;
    return TemplateLibrary::builtIn(tranType);
}

void TemplateStore::save(const QString &cnstr, int tranType, const QString &name, const PrintTemplate &tmpl)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw CoreError(QStringLiteral("请输入格式名称！"));
    // One statement, so two stations saving the same new name at once store one template.
    db::execute(cnstr,
                QStringLiteral("insert into TDBill (FTranType, FTDBillName, FTemplate) values (?,?,?)"
                               " on conflict (FTranType, FTDBillName) do update set FTemplate=excluded.FTemplate"),
                {tranType, trimmed, tmpl.toJson()});
}

void TemplateStore::remove(const QString &cnstr, int tranType, const QString &name)
{
    db::execute(cnstr, QStringLiteral("delete from TDBill where FTranType=? and FTDBillName=?"),
                {tranType, name});
}

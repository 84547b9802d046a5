#include "core/print/GridFormatStore.h"

#include <QStringList>

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/db/Transaction.h"

const QStringList &GridFormatStore::papers()
{
    static const QStringList list{QStringLiteral("A4"), QStringLiteral("A5"), QStringLiteral("B5"),
                                  QStringLiteral("Letter")};
    return list;
}

GridFormatStore::PageSetup GridFormatStore::pageSetup(const QString &cnstr, const QString &formatName)
{
    PageSetup p;
    const db::Rows rows = db::query(
        cnstr, QStringLiteral("select FPaper, FLandscape, FMarginLeft, FMarginTop, FMarginRight,"
                              " FMarginBottom from t_GridPageSet where FFormatName=?"),
        {formatName});
    if (rows.isEmpty())
        return p;
    const db::Row &r = rows.first();
    if (papers().contains(r.text(QStringLiteral("FPaper"))))
        p.paper = r.text(QStringLiteral("FPaper"));
    p.landscape = r.integer(QStringLiteral("FLandscape")) != 0;
    p.left = r.number(QStringLiteral("FMarginLeft"));
    p.top = r.number(QStringLiteral("FMarginTop"));
    p.right = r.number(QStringLiteral("FMarginRight"));
    p.bottom = r.number(QStringLiteral("FMarginBottom"));
    return p;
}

void GridFormatStore::savePageSetup(const QString &cnstr, const QString &formatName, const PageSetup &p)
{
    if (!papers().contains(p.paper))
        throw CoreError(QStringLiteral("纸张“%1”无法识别").arg(p.paper));
    for (double m : {p.left, p.top, p.right, p.bottom})
        if (m < 0 || m > 100)
            throw CoreError(QStringLiteral("页边距应在 0 到 100 毫米之间！"));
    db::Transaction tx(cnstr);
    tx.execute(QStringLiteral("delete from t_GridPageSet where FFormatName=?"), {formatName});
    tx.execute(QStringLiteral("insert into t_GridPageSet (FFormatName, FPaper, FLandscape, FMarginLeft,"
                              " FMarginTop, FMarginRight, FMarginBottom) values (?,?,?,?,?,?,?)"),
               {formatName, p.paper, p.landscape ? 1 : 0, p.left, p.top, p.right, p.bottom});
    tx.commit();
}

QList<GridFormatStore::Width> GridFormatStore::widths(const QString &cnstr, const QString &formatName)
{
    QList<Width> out;
    for (const db::Row &r :
         db::query(cnstr, QStringLiteral("select FColKey, FWidth from t_GridColWidth where FFormatName=?"
                                         " order by FColIndex"),
                   {formatName}))
        out.append({r.text(QStringLiteral("FColKey")), qMax(0, r.integer(QStringLiteral("FWidth")))});
    return out;
}

void GridFormatStore::saveWidths(const QString &cnstr, const QString &formatName, const QList<Width> &widths)
{
    db::Transaction tx(cnstr);
    tx.execute(QStringLiteral("delete from t_GridColWidth where FFormatName=?"), {formatName});
    int index = 0;
    for (const Width &w : widths)
        tx.execute(QStringLiteral("insert into t_GridColWidth (FFormatName, FColIndex, FColKey, FWidth)"
                                  " values (?,?,?,?)"),
                   {formatName, index++, w.key, qMax(0, w.width)});
    tx.commit();
}

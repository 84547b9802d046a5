#include "core/exchange/ShopExport.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <xlsxwriter.h>

#include "core/backoffice/MemberRegister.h"
#include "core/backoffice/PriceStyleStore.h"
#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/base/PrivateFiles.h"

namespace {

using Kind = ShopImport::Kind;

QString moneyText(Money m)
{
    return m.format();
}

QString qtyText(Money m)
{
    return QString::number(m.units() / Money::Scale);
}

// One sheet, row by row: XLSX through libxlsxwriter (constant memory, so a large shop never
// sits in memory whole) or CSV.
class SheetWriter
{
public:
    SheetWriter(const QString &path, const QStringList &header, const QList<bool> &textColumns,
                bool constantMemory = true)
        : m_path(path), m_csv(QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0),
          m_text(textColumns)
    {
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (!m_csv && suffix != QLatin1StringView("xlsx"))
            throw CoreError::refusal(QStringLiteral("导出文件须以 .xlsx 或 .csv 结尾"));
        {
            // libxlsxwriter reports an unwritable file only at the end, without the reason.
            QFile probe(path);
            if (!probe.open(QIODevice::WriteOnly))
                throw CoreError::refusal(QStringLiteral("无法写入文件“%1”：%2").arg(path, probe.errorString()));
        }
        PrivateFiles::protect(path);
        if (m_csv) {
            m_file.setFileName(path);
            if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw CoreError::refusal(QStringLiteral("无法写入文件“%1”：%2").arg(path, m_file.errorString()));
            m_file.write("\xEF\xBB\xBF");
        } else {
            lxw_workbook_options options{};
            options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
            m_wb = workbook_new_opt(QFile::encodeName(path).constData(), &options);
            if (!m_wb)
                throw CoreError::refusal(QStringLiteral("无法创建文件“%1”").arg(path));
            m_ws = workbook_add_worksheet(m_wb, "Sheet1");
            m_textFormat = workbook_add_format(m_wb);
            format_set_num_format(m_textFormat, "@");
            lxw_format *head = workbook_add_format(m_wb);
            format_set_bold(head);
            for (int c = 0; c < header.size(); ++c)
                worksheet_set_column(m_ws, lxw_col_t(c), lxw_col_t(c), 14,
                                     m_text.value(c) ? m_textFormat : nullptr);
            m_headFormat = head;
        }
        add(header, true);
    }
    ~SheetWriter()
    {
        if (m_wb)
            workbook_close(m_wb);
    }

    void add(const QStringList &cells, bool header = false)
    {
        if (m_csv) {
            QStringList out;
            for (QString c : cells) {
                if (c.contains(u',') || c.contains(u'"') || c.contains(u'\n') || c.contains(u'\r'))
                    c = u'"' + c.replace(u'"', QLatin1String("\"\"")) + u'"';
                out << c;
            }
            m_file.write((out.join(u',') + QLatin1String("\r\n")).toUtf8());
        } else {
            for (int c = 0; c < cells.size(); ++c) {
                bool number = false;
                const double d = cells.at(c).toDouble(&number);
                if (!header && number && !m_text.value(c))
                    worksheet_write_number(m_ws, m_row, lxw_col_t(c), d, nullptr);
                else if (!cells.at(c).isEmpty())
                    worksheet_write_string(m_ws, m_row, lxw_col_t(c), cells.at(c).toUtf8().constData(),
                                           header ? m_headFormat : m_text.value(c) ? m_textFormat : nullptr);
            }
        }
        ++m_row;
    }

    void close()
    {
        if (m_csv) {
            if (!m_file.flush())
                throw CoreError::refusal(QStringLiteral("无法写入文件“%1”：%2").arg(m_path, m_file.errorString()));
            m_file.close();
            return;
        }
        const lxw_error e = workbook_close(m_wb);
        m_wb = nullptr;
        if (e != LXW_NO_ERROR)
            throw CoreError::refusal(QStringLiteral("无法写入文件“%1”：%2").arg(m_path, QString::fromUtf8(lxw_strerror(e))));
    }

private:
    QString m_path;
    bool m_csv;
    QList<bool> m_text;
    QFile m_file;
    lxw_workbook *m_wb = nullptr;
    lxw_worksheet *m_ws = nullptr;
    lxw_format *m_textFormat = nullptr, *m_headFormat = nullptr;
    lxw_row_t m_row = 0;
};

QList<bool> textColumns(const QStringList &header)
{
    static const QStringList codes{"店内码", "商品编号", "条码", "包装条码", "卡号", "身份证号", "电话",
                                   "外部单号", "每包件数", "包装价", "包装价格体系"};
    QList<bool> text;
    for (const QString &h : header)
        text << codes.contains(h);
    return text;
}

int writeItems(const QString &cnstr, SheetWriter &out)
{
    const QList<PriceStyleStore::Style> styles = PriceStyleStore::list(cnstr);
    QHash<int, QString> styleNames;
    for (const PriceStyleStore::Style &s : styles)
        styleNames.insert(s.id, s.name);
    QHash<int, QList<db::Row>> packs;
    for (const db::Row &r : db::query(cnstr, QStringLiteral(
             "select FItemID, FBarCode, FPriceStyleID, FExchange, FPrice from t_icitem_barcode"
             " order by FItemID, FBarCode")))
        packs[r.integer(QStringLiteral("FItemID"))].append(r);
    int n = 0;
    for (const db::Row &r : db::query(cnstr, QStringLiteral("select * from t_icitem order by FShopNumber, FItemID"))) {
        QStringList cells{r.text(QStringLiteral("FShopNumber")), r.text(QStringLiteral("FNumber")),
                          r.text(QStringLiteral("FBar_Code")), r.text(QStringLiteral("FName")),
                          r.text(QStringLiteral("FModel")), r.text(QStringLiteral("FUnit"))};
        for (const PriceStyleStore::Style &s : styles) {
            const QString column = QStringLiteral("FPrice_%1").arg(s.id);
            cells << (r.has(column) && !r.isNull(column) ? moneyText(r.money(column)) : QString());
        }
        QStringList codes, pieces, prices, names;
        for (const db::Row &p : packs.value(r.integer(QStringLiteral("FItemID")))) {
            codes << p.text(QStringLiteral("FBarCode"));
            pieces << QString::number(p.integer(QStringLiteral("FExchange")));
            prices << moneyText(p.money(QStringLiteral("FPrice")));
            names << styleNames.value(p.integer(QStringLiteral("FPriceStyleID")));
        }
        const QString sep = QStringLiteral(";");
        cells << codes.join(sep) << pieces.join(sep) << prices.join(sep) << names.join(sep);
        out.add(cells);
        ++n;
    }
    return n;
}

int writeMembers(const QString &cnstr, SheetWriter &out, const QDate &today)
{
    int n = 0;
    for (const MemberRegister::Member &m : MemberRegister::search(cnstr, QString(), today, 100000000)) {
        out.add({m.vipNo, m.owner, m.vipId, m.phone, moneyText(m.balance)});
        ++n;
    }
    return n;
}

int writeOrders(const QString &cnstr, SheetWriter &out)
{
    int n = 0, last = 0;
    const QString prefix = ShopImport::orderKeyPrefix();
    for (const db::Row &r : db::query(cnstr, QStringLiteral(
             "select h.FInterID, h.FRemark, h.FVipNo, h.FOwner, h.FPhone, h.FVipID, h.Fdate,"
             " h.FGetCash, h.FGetReserve, e.FQty, e.FPreQty, e.FCplQty, e.FPrice, e.FYxq,"
             " i.FShopNumber, i.FBar_Code, i.FName"
             " from VipOrder h join VipOrderEntry e on e.FInterID=h.FInterID"
             " left join t_icitem i on i.FItemID=e.FItemID"
             " where coalesce(h.FClosed,0)=0 order by h.FInterID, e.FEntryID"))) {
        const int id = r.integer(QStringLiteral("FInterID"));
        const QString remark = r.text(QStringLiteral("FRemark"));
        const QString key = remark.startsWith(prefix) ? remark.mid(prefix.size()) : QString::number(id);
        const QString item = r.text(QStringLiteral("FShopNumber")).isEmpty() ? r.text(QStringLiteral("FBar_Code"))
                                                                              : r.text(QStringLiteral("FShopNumber"));
        const QDate valid = r.date(QStringLiteral("FYxq"));
        // What the order was paid goes on its first line; the import adds its lines' amounts.
        const Money paid = id == last ? Money()
                                      : r.money(QStringLiteral("FGetCash")) + r.money(QStringLiteral("FGetReserve"));
        last = id;
        out.add({key, r.text(QStringLiteral("FVipNo")), r.text(QStringLiteral("FOwner")),
                 r.text(QStringLiteral("FPhone")), r.text(QStringLiteral("FVipID")),
                 r.date(QStringLiteral("Fdate")).toString(QStringLiteral("yyyy-MM-dd")), item,
                 r.text(QStringLiteral("FName")), moneyText(r.money(QStringLiteral("FPrice"))),
                 qtyText(r.money(QStringLiteral("FQty"))), qtyText(r.money(QStringLiteral("FPreQty"))),
                 qtyText(r.money(QStringLiteral("FCplQty"))),
                 valid.isValid() ? valid.toString(QStringLiteral("yyyy-MM-dd")) : QString(), moneyText(paid)});
        ++n;
    }
    return n;
}

} // namespace

int ShopExport::write(const QString &cnstr, Kind kind, const QString &path, const QDate &today)
{
    const QStringList header = ShopImport::columns(cnstr, kind);
    SheetWriter out(path, header, textColumns(header));
    int n = 0;
    switch (kind) {
    case Kind::Items: n = writeItems(cnstr, out); break;
    case Kind::Members: n = writeMembers(cnstr, out, today); break;
    case Kind::Orders: n = writeOrders(cnstr, out); break;
    }
    out.close();
    return n;
}

void ShopExport::writeTemplate(const QString &cnstr, Kind kind, const QString &path)
{
    const QStringList header = ShopImport::columns(cnstr, kind);
    SheetWriter out(path, header, textColumns(header), false);
    out.close();
}

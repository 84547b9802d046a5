#include "ui/backoffice/frmItemList.h"

#include <QLineEdit>
#include <QPushButton>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/RecordGuard.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/frame/Session.h"
#include "ui/backoffice/frmItemEdit.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {
// The item as stored now; gone meanwhile is another station's change.
std::optional<ItemRecord> loaded(const QString &cnstr, int id)
{
    auto item = ItemStore::load(cnstr, id);
    if (!item)
        throw CoreError::refusal(RecordGuard::staleMessage());
    return item;
}
} // namespace

frmItemList::frmItemList(QWidget *parent)
    : BaseDataList(QStringLiteral("frmItemList"), QStringLiteral("商品资料"), QStringLiteral("FlexItems"), true,
                   parent)
{
    cmdEdit = addButton(QStringLiteral("cmdEdit"), QStringLiteral("修改(&E)"));
    cmdDisable = addButton(QStringLiteral("cmdDisable"), QStringLiteral("停用/启用(&T)"));
    cmdDelete = addButton(QStringLiteral("cmdDelete"), QStringLiteral("删除(&D)"));
    cmdExport = addButton(QStringLiteral("cmdExport"), QStringLiteral("导出(&X)"));
    connect(cmdEdit, &QPushButton::clicked, this, [this] { editRecord(); });
    connect(cmdDisable, &QPushButton::clicked, this, [this] { cmdDisable_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { exportGrid(); });
    finishButtons();
    setColumns({{QStringLiteral("FID"), QString(), 0},
                {QStringLiteral("FNumber"), QStringLiteral("商品编号"), 90},
                {QStringLiteral("FShopNumber"), QStringLiteral("店内码"), 70},
                {QStringLiteral("FBar_Code"), QStringLiteral("条码"), 140},
                {QStringLiteral("FName"), QStringLiteral("商品名称"), 170},
                {QStringLiteral("FModel"), QStringLiteral("规格型号"), 90},
                {QStringLiteral("FUnit"), QStringLiteral("单位"), 50},
                {QStringLiteral("FPrice"), QStringLiteral("零售价"), 80, true},
                {QStringLiteral("FState"), QStringLiteral("状态"), 60}});
    connect(txtSearch, &QLineEdit::textChanged, this, [this] { refresh(); });
    refresh();
}

void frmItemList::refresh()
{
    runQuery([this] {
        const int keep = currentId();
        const QList<ItemStore::Row> rows =
            ItemStore::search(cnstr(), txtSearch->text(), Session::current().RetailPriceStyleID);
        KeyedGrid *g = grid();
        g->setRows(1);
        for (const ItemStore::Row &r : rows) {
            const int row = g->addRow();
            g->setText(row, QStringLiteral("FID"), QString::number(r.id));
            g->setText(row, QStringLiteral("FNumber"), r.number);
            g->setText(row, QStringLiteral("FShopNumber"), r.shopNumber);
            g->setText(row, QStringLiteral("FBar_Code"), r.barCode);
            g->setText(row, QStringLiteral("FName"), r.name);
            g->setText(row, QStringLiteral("FModel"), r.model);
            g->setText(row, QStringLiteral("FUnit"), r.unit);
            g->setText(row, QStringLiteral("FPrice"), r.hasRetailPrice ? r.retailPrice.format() : QString());
            g->setText(row, QStringLiteral("FState"), r.disabled ? QStringLiteral("停用") : QString());
            if (r.disabled)
                strikeOut(row);
        }
        selectId(keep);
    });
}

void frmItemList::newRecord()
{
    runShowingErrors(this, [this] {
        frmItemEdit f(this);
        if (DialogRunner::exec(f) == QDialog::Accepted && f.OK()) {
            refresh();
            selectId(f.NewItemID());
        }
    });
}

void frmItemList::editRecord()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        const auto item = loaded(cnstr(), currentId());
        frmItemEdit f(this);
        f.init(*item);
        if (DialogRunner::exec(f) == QDialog::Accepted && f.OK())
            refresh();
    });
}

void frmItemList::cmdDisable_Click()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        const auto item = loaded(cnstr(), currentId());
        const QString question = item->disabled ? QStringLiteral("启用商品“%1”吗？")
                                                : QStringLiteral("停用商品“%1”吗？停用后前台不能再销售。");
        if (!Prompts::current().question(question.arg(item->name), true))
            return;
        ItemStore::setDisabled(cnstr(), *item, !item->disabled);
        refresh();
    });
}

void frmItemList::cmdDelete_Click()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        const auto item = loaded(cnstr(), currentId());
        if (!Prompts::current().question(QStringLiteral("删除商品“%1”吗？").arg(item->name), true))
            return;
        ItemStore::remove(cnstr(), *item);
        refresh();
    });
}

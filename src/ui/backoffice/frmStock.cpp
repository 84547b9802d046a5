#include "ui/backoffice/frmStock.h"

#include <QPushButton>

#include "core/backoffice/RecordGuard.h"
#include "core/backoffice/WarehouseStore.h"
#include "core/frame/Prompts.h"
#include "core/frame/StationSettings.h"
#include "ui/backoffice/frmNameEdit.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {
// The warehouse as stored now; gone meanwhile is another station's change.
std::optional<WarehouseStore::Warehouse> current(const QString &cnstr, int id)
{
    for (const WarehouseStore::Warehouse &w : WarehouseStore::list(cnstr))
        if (w.id == id)
            return w;
    throw CoreError::refusal(RecordGuard::staleMessage());
}
} // namespace

frmStock::frmStock(QWidget *parent)
    : BaseDataList(QStringLiteral("frmStock"), QStringLiteral("仓库"), QStringLiteral("FlexStocks"), false, parent)
{
    cmdEdit = addButton(QStringLiteral("cmdEdit"), QStringLiteral("修改(&E)"));
    cmdDisable = addButton(QStringLiteral("cmdDisable"), QStringLiteral("停用/启用(&T)"));
    connect(cmdEdit, &QPushButton::clicked, this, [this] { editRecord(); });
    connect(cmdDisable, &QPushButton::clicked, this, [this] { cmdDisable_Click(); });
    finishButtons();
    setColumns({{QStringLiteral("FID"), QString(), 0},
                {QStringLiteral("FNumber"), QStringLiteral("编号"), 80},
                {QStringLiteral("FName"), QStringLiteral("仓库名称"), 200},
                {QStringLiteral("FState"), QStringLiteral("状态"), 60}});
    resize(620, 440);
    refresh();
}

void frmStock::refresh()
{
    runQuery([this] {
        const int keep = currentId();
        grid()->setRows(1);
        for (const WarehouseStore::Warehouse &w : WarehouseStore::list(cnstr())) {
            const int row = grid()->addRow();
            grid()->setText(row, QStringLiteral("FID"), QString::number(w.id));
            grid()->setText(row, QStringLiteral("FNumber"), w.number);
            grid()->setText(row, QStringLiteral("FName"), w.name);
            grid()->setText(row, QStringLiteral("FState"), w.disabled ? QStringLiteral("停用") : QString());
            if (w.disabled)
                strikeOut(row);
        }
        selectId(keep);
    });
}

void frmStock::newRecord()
{
    int id = 0;
    frmNameEdit f(QStringLiteral("frmStockEdit"), QStringLiteral("新增仓库"), QStringLiteral("编号(&U)："),
                  QStringLiteral("名称(&N)："),
                  [&](const QString &number, const QString &name) {
                      id = WarehouseStore::save(cnstr(), {0, number, name, false});
                  },
                  this);
    if (DialogRunner::exec(f) == QDialog::Accepted && f.OK()) {
        refresh();
        selectId(id);
    }
}

void frmStock::editRecord()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        const auto asRead = current(cnstr(), currentId());
        frmNameEdit f(QStringLiteral("frmStockEdit"), QStringLiteral("修改仓库"), QStringLiteral("编号(&U)："),
                      QStringLiteral("名称(&N)："),
                      [&](const QString &number, const QString &name) {
                          WarehouseStore::save(cnstr(), {asRead->id, number, name, asRead->disabled}, asRead);
                      },
                      this);
        f.init(asRead->number, asRead->name);
        if (DialogRunner::exec(f) == QDialog::Accepted && f.OK())
            refresh();
    });
}

void frmStock::cmdDisable_Click()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        const auto asRead = current(cnstr(), currentId());
        QString question = asRead->disabled ? QStringLiteral("启用仓库“%1”吗？") : QStringLiteral("停用仓库“%1”吗？");
        // The sale screen of this station opens on its warehouse: say so before it goes.
        if (!asRead->disabled && StationSettings::saleStock() == asRead->name)
            question = QStringLiteral("仓库“%1”是本站点出库单的默认仓库，停用后出库单需另选仓库。确定停用吗？");
        if (!Prompts::current().question(question.arg(asRead->name), true))
            return;
        WarehouseStore::setDisabled(cnstr(), *asRead, !asRead->disabled);
        refresh();
    });
}

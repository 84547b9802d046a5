#include "ui/backoffice/frmPriceStyle.h"

#include <QPushButton>

#include "core/backoffice/PriceStyleStore.h"
#include "core/frame/Prompts.h"
#include "ui/backoffice/frmNameEdit.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {
PriceStyleStore::Style styleOf(KeyedGrid &g)
{
    const int row = g.currentGridRow();
    return {g.text(row, QStringLiteral("FID")).toInt(), g.text(row, QStringLiteral("FName"))};
}
} // namespace

frmPriceStyle::frmPriceStyle(QWidget *parent)
    : BaseDataList(QStringLiteral("frmPriceStyle"), QStringLiteral("价格体系"), QStringLiteral("FlexStyles"), false,
                   parent)
{
    cmdEdit = addButton(QStringLiteral("cmdEdit"), QStringLiteral("改名(&E)"));
    cmdDelete = addButton(QStringLiteral("cmdDelete"), QStringLiteral("删除(&D)"));
    connect(cmdEdit, &QPushButton::clicked, this, [this] { editRecord(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    finishButtons();
    setColumns({{QStringLiteral("FID"), QStringLiteral("编号"), 60, true},
                {QStringLiteral("FName"), QStringLiteral("价格体系"), 200}});
    resize(560, 420);
    refresh();
}

void frmPriceStyle::refresh()
{
    runQuery([this] {
        const int keep = currentId();
        grid()->setRows(1);
        for (const PriceStyleStore::Style &s : PriceStyleStore::list(cnstr())) {
            const int row = grid()->addRow();
            grid()->setText(row, QStringLiteral("FID"), QString::number(s.id));
            grid()->setText(row, QStringLiteral("FName"), s.name);
        }
        selectId(keep);
    });
}

void frmPriceStyle::newRecord()
{
    int id = 0;
    frmNameEdit f(QStringLiteral("frmPriceStyleEdit"), QStringLiteral("新增价格体系"), QString(),
                  QStringLiteral("名称(&N)："),
                  [&](const QString &, const QString &name) { id = PriceStyleStore::add(cnstr(), name); }, this);
    if (DialogRunner::exec(f) == QDialog::Accepted && f.OK()) {
        refresh();
        selectId(id);
    }
}

void frmPriceStyle::editRecord()
{
    if (!haveCurrent())
        return;
    const PriceStyleStore::Style asRead = styleOf(*grid());
    frmNameEdit f(QStringLiteral("frmPriceStyleEdit"), QStringLiteral("价格体系改名"), QString(),
                  QStringLiteral("名称(&N)："),
                  [&](const QString &, const QString &name) { PriceStyleStore::rename(cnstr(), asRead, name); },
                  this);
    f.init(QString(), asRead.name);
    if (DialogRunner::exec(f) == QDialog::Accepted && f.OK())
        refresh();
}

void frmPriceStyle::cmdDelete_Click()
{
    if (!haveCurrent())
        return;
    const PriceStyleStore::Style asRead = styleOf(*grid());
    if (!Prompts::current().question(QStringLiteral("删除价格体系“%1”吗？商品在这个价格体系下的价格一并删除。").arg(asRead.name), true))
        return;
    runShowingErrors(this, [&] {
        PriceStyleStore::remove(cnstr(), asRead);
        refresh();
    });
}

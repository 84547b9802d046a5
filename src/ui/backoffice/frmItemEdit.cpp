#include "ui/backoffice/frmItemEdit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/backoffice/frmPackCode.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

frmItemEdit::frmItemEdit(QWidget *parent)
    : RecordDialog(parent, QStringLiteral("frmItemEdit"), QStringLiteral("商品资料"))
{
    m_styles = PriceStyleStore::list(GetCnstr());
    auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMinimumWidth(200);
        return e;
    };
    txtNumber = edit("txtNumber");
    txtShopNumber = edit("txtShopNumber");
    txtBarcode = edit("txtBarcode");
    txtName = edit("txtName");
    txtModel = edit("txtModel");
    txtUnit = edit("txtUnit");

    auto *fields = new QGridLayout;
    const std::pair<const char *, QLineEdit *> left[] = {
        {"商品编号(&1)：", txtNumber}, {"店内码(&2)：", txtShopNumber}, {"条码(&3)：", txtBarcode},
        {"商品名称(&4)：", txtName},   {"规格型号(&5)：", txtModel},   {"单位(&6)：", txtUnit}};
    int row = 0;
    for (const auto &[caption, field] : left) {
        auto *l = new QLabel(QString::fromUtf8(caption), this);
        l->setBuddy(field);
        fields->addWidget(l, row, 0);
        fields->addWidget(field, row++, 1);
    }
    row = 0;
    for (const PriceStyleStore::Style &s : m_styles) {
        QLineEdit *p = edit("txtPrice");
        p->setObjectName(QStringLiteral("txtPrice_%1").arg(s.id));
        p->setMinimumWidth(100);
        txtPrices << p;
        auto *l = new QLabel(s.name + QStringLiteral("："), this);
        l->setBuddy(p);
        fields->addWidget(l, row, 2);
        fields->addWidget(p, row++, 3);
    }

    FlexCodes = new KeyedGrid(this);
    FlexCodes->setObjectName(QStringLiteral("FlexCodes"));
    FlexCodes->setColumns({{QStringLiteral("FBarCode"), QStringLiteral("包装条码"), 150},
                           {QStringLiteral("FStyle"), QStringLiteral("价格体系"), 100},
                           {QStringLiteral("FExchange"), QStringLiteral("每包件数"), 80, false, Qt::AlignRight | Qt::AlignVCenter},
                           {QStringLiteral("FPrice"), QStringLiteral("价格"), 90, false, Qt::AlignRight | Qt::AlignVCenter}});
    FlexCodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    FlexCodes->setMinimumHeight(130);
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAddCode = button("cmdAddCode", "增加条码(&A)");
    cmdEditCode = button("cmdEditCode", "修改条码(&E)");
    cmdDelCode = button("cmdDelCode", "删除条码(&D)");
    connect(cmdAddCode, &QPushButton::clicked, this, [this] { cmdAddCode_Click(); });
    connect(cmdEditCode, &QPushButton::clicked, this, [this] { cmdEditCode_Click(); });
    connect(cmdDelCode, &QPushButton::clicked, this, [this] { cmdDelCode_Click(); });
    connect(FlexCodes, &KeyedGrid::rowDoubleClicked, this, [this](int) { cmdEditCode_Click(); });
    auto *codeButtons = new QHBoxLayout;
    codeButtons->addWidget(cmdAddCode);
    codeButtons->addWidget(cmdEditCode);
    codeButtons->addWidget(cmdDelCode);
    codeButtons->addStretch();

    auto *all = new QVBoxLayout;
    all->addLayout(fields);
    all->addWidget(FlexCodes, 1);
    all->addLayout(codeButtons);
    build(all);

    EnterMovesFocus::chain({txtNumber, txtShopNumber, txtBarcode, txtName, txtModel, txtUnit});
    if (txtPrices.isEmpty()) {
        EnterMovesFocus::link(txtUnit, cmdOk);
    } else {
        EnterMovesFocus::link(txtUnit, txtPrices.first());
        for (int i = 0; i + 1 < txtPrices.size(); ++i)
            EnterMovesFocus::link(txtPrices[i], txtPrices[i + 1]);
        EnterMovesFocus::link(txtPrices.last(), cmdOk);
    }
    txtNumber->setFocus();
}

void frmItemEdit::init(const ItemRecord &asRead)
{
    m_asRead = asRead;
    setWindowTitle(QStringLiteral("商品资料 - %1").arg(asRead.name));
    txtNumber->setText(asRead.number);
    txtShopNumber->setText(asRead.shopNumber);
    txtBarcode->setText(asRead.barCode);
    txtName->setText(asRead.name);
    txtModel->setText(asRead.model);
    txtUnit->setText(asRead.unit);
    for (int i = 0; i < m_styles.size(); ++i)
        if (asRead.prices.contains(m_styles[i].id))
            txtPrices[i]->setText(asRead.prices.value(m_styles[i].id).format());
    m_codes = asRead.codes;
    showCodes();
}

void frmItemEdit::showCodes()
{
    FlexCodes->setRows(1);
    for (const PackCode &c : m_codes) {
        const int row = FlexCodes->addRow();
        QString style;
        for (const PriceStyleStore::Style &s : m_styles)
            if (s.id == c.priceStyleId)
                style = s.name;
        FlexCodes->setText(row, QStringLiteral("FBarCode"), c.barCode);
        FlexCodes->setText(row, QStringLiteral("FStyle"), style);
        FlexCodes->setText(row, QStringLiteral("FExchange"), QString::number(c.exchange));
        FlexCodes->setText(row, QStringLiteral("FPrice"), c.price.format());
    }
}

void frmItemEdit::cmdAddCode_Click()
{
    frmPackCode f(m_styles, this);
    if (DialogRunner::exec(f) == QDialog::Accepted && f.OK()) {
        m_codes.append(f.GetCode());
        showCodes();
        FlexCodes->setCurrentGridRow(FlexCodes->rows() - 1);
    }
}

void frmItemEdit::cmdEditCode_Click()
{
    const int row = FlexCodes->currentGridRow();
    if (row < 1 || row > m_codes.size())
        return cmdAddCode_Click();
    frmPackCode f(m_styles, this);
    f.init(m_codes[row - 1]);
    if (DialogRunner::exec(f) == QDialog::Accepted && f.OK()) {
        m_codes[row - 1] = f.GetCode();
        showCodes();
        FlexCodes->setCurrentGridRow(row);
    }
}

void frmItemEdit::cmdDelCode_Click()
{
    const int row = FlexCodes->currentGridRow();
    if (row < 1 || row > m_codes.size())
        return;
    if (!Prompts::current().question(QStringLiteral("删除条码“%1”吗？").arg(m_codes[row - 1].barCode), true))
        return;
    m_codes.removeAt(row - 1);
    showCodes();
}

void frmItemEdit::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        ItemRecord item = m_asRead.value_or(ItemRecord());
        item.number = txtNumber->text();
        item.shopNumber = txtShopNumber->text();
        item.barCode = txtBarcode->text();
        item.name = txtName->text();
        item.model = txtModel->text();
        item.unit = txtUnit->text();
        item.prices.clear();
        for (int i = 0; i < m_styles.size(); ++i)
            if (const auto price = ItemStore::parsePrice(txtPrices[i]->text(), txtPrices[i]->objectName()))
                item.prices.insert(m_styles[i].id, *price);
        item.codes = m_codes;
        m_savedId = ItemStore::save(GetCnstr(), item, m_asRead);
        m_ok = true;
        accept();
    });
}

#include "ui/print/PageSetDialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/DialogLayout.h"
#include "core/frame/Prompts.h"
#include "core/base/CoreError.h"

namespace {
QDoubleSpinBox *marginBox(QWidget *parent)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setRange(0, 100);
    b->setDecimals(1);
    b->setSuffix(QStringLiteral(" 毫米"));
    return b;
}
} // namespace

PageSetDialog::PageSetDialog(const QString &cnstr, const QString &formatName, QWidget *parent)
    : QDialog(parent), m_cnstr(cnstr), m_formatName(formatName)
{
    setWindowTitle(QStringLiteral("页面设置"));
    cmbPaper = new QComboBox(this);
    cmbPaper->setObjectName(QStringLiteral("cmbPaper"));
    cmbPaper->addItems(GridFormatStore::papers());
    optPortrait = new QRadioButton(QStringLiteral("纵向(&V)"), this);
    optPortrait->setObjectName(QStringLiteral("optPortrait"));
    optLandscape = new QRadioButton(QStringLiteral("横向(&H)"), this);
    optLandscape->setObjectName(QStringLiteral("optLandscape"));
    txtLeft = marginBox(this);
    txtLeft->setObjectName(QStringLiteral("txtLeft"));
    txtTop = marginBox(this);
    txtTop->setObjectName(QStringLiteral("txtTop"));
    txtRight = marginBox(this);
    txtRight->setObjectName(QStringLiteral("txtRight"));
    txtBottom = marginBox(this);
    txtBottom->setObjectName(QStringLiteral("txtBottom"));
    const DialogLayout::Buttons buttons =
        DialogLayout::okCancel(this, QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"));
    cmdOK = buttons.ok;
    cmdCancel = buttons.cancel;

    auto *paper = new QGroupBox(QStringLiteral("纸张"), this);
    auto *pf = new QFormLayout(paper);
    pf->addRow(QStringLiteral("纸张大小："), cmbPaper);
    auto *orient = new QHBoxLayout;
    orient->addWidget(optPortrait);
    orient->addWidget(optLandscape);
    pf->addRow(QStringLiteral("方向："), orient);
    auto *margins = new QGroupBox(QStringLiteral("页边距"), this);
    auto *mg = new QGridLayout(margins);
    mg->addWidget(new QLabel(QStringLiteral("上："), margins), 0, 0);
    mg->addWidget(txtTop, 0, 1);
    mg->addWidget(new QLabel(QStringLiteral("下："), margins), 0, 2);
    mg->addWidget(txtBottom, 0, 3);
    mg->addWidget(new QLabel(QStringLiteral("左："), margins), 1, 0);
    mg->addWidget(txtLeft, 1, 1);
    mg->addWidget(new QLabel(QStringLiteral("右："), margins), 1, 2);
    mg->addWidget(txtRight, 1, 3);
    auto *v = new QVBoxLayout(this);
    v->addWidget(paper);
    v->addWidget(margins);
    v->addLayout(buttons.row);

    GridFormatStore::PageSetup s = GridFormatStore::pageSetup(cnstr, formatName);
    cmbPaper->setCurrentText(s.paper);
    (s.landscape ? optLandscape : optPortrait)->setChecked(true);
    txtLeft->setValue(s.left);
    txtTop->setValue(s.top);
    txtRight->setValue(s.right);
    txtBottom->setValue(s.bottom);

    connect(cmdOK, &QPushButton::clicked, this, &PageSetDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

GridFormatStore::PageSetup PageSetDialog::setup() const
{
    GridFormatStore::PageSetup s;
    s.paper = cmbPaper->currentText();
    s.landscape = optLandscape->isChecked();
    s.left = txtLeft->value();
    s.top = txtTop->value();
    s.right = txtRight->value();
    s.bottom = txtBottom->value();
    return s;
}

void PageSetDialog::cmdOK_Click()
{
    try {
        GridFormatStore::savePageSetup(m_cnstr, m_formatName, setup());
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    OK = true;
    accept();
}

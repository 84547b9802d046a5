#include "ui/print/frmTdDesigner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/frame/Prompts.h"
#include "core/base/CoreError.h"
#include "core/print/TemplateLibrary.h"
#include "ui/print/TemplateRenderer.h"
#include "core/print/TemplateStore.h"

namespace {

const QString kHeader = QStringLiteral("表头");
const QString kBand = QStringLiteral("明细");
const QString kFooter = QStringLiteral("表尾");

QString sectionText(PrintTemplate::Section s)
{
    return s == PrintTemplate::Section::Band ? kBand : s == PrintTemplate::Section::Footer ? kFooter : kHeader;
}

PrintTemplate::Section sectionOf(const QString &text)
{
    if (text.contains(kBand) || text.contains(QStringLiteral("band"), Qt::CaseInsensitive))
        return PrintTemplate::Section::Band;
    if (text.contains(kFooter) || text.contains(QStringLiteral("footer"), Qt::CaseInsensitive))
        return PrintTemplate::Section::Footer;
    return PrintTemplate::Section::Header;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmTdDesigner::frmTdDesigner(const QString &cnstr, int tranType, QWidget *parent)
    : QDialog(parent), m_cnstr(cnstr), m_tranType(tranType), m_sample(TemplateLibrary::sample(tranType))
{
    setObjectName(QStringLiteral("frmTdDesigner"));
    setWindowTitle(QStringLiteral("套打设计器 - %1").arg(TemplateLibrary::typeName(tranType)));

    lstTemplates = new QListWidget(this);
    lstTemplates->setObjectName(QStringLiteral("lstTemplates"));
    cmdNew = button(QStringLiteral("cmdNew"), QStringLiteral("新增(&N)"), this);
    cmdDelete = button(QStringLiteral("cmdDelete"), QStringLiteral("删除(&D)"), this);
    cmdSave = button(QStringLiteral("cmdSave"), QStringLiteral("保存(&S)"), this);
    cmdClose = button(QStringLiteral("cmdClose"), QStringLiteral("关闭(&C)"), this);
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    cmbPaper = new QComboBox(this);
    cmbPaper->setObjectName(QStringLiteral("cmbPaper"));
    cmbPaper->addItem(QStringLiteral("58毫米小票"), QStringLiteral("58"));
    cmbPaper->addItem(QStringLiteral("80毫米小票"), QStringLiteral("80"));
    cmbPaper->addItem(QStringLiteral("A4"), QStringLiteral("A4"));
    cmbPaper->addItem(QStringLiteral("A5"), QStringLiteral("A5"));
    cmbPaper->addItem(QStringLiteral("B5"), QStringLiteral("B5"));
    chkLandscape = new QCheckBox(QStringLiteral("横向"), this);
    chkLandscape->setObjectName(QStringLiteral("chkLandscape"));
    txtMargin = new QDoubleSpinBox(this);
    txtMargin->setObjectName(QStringLiteral("txtMargin"));
    txtMargin->setRange(0, 50);
    txtMargin->setDecimals(1);
    txtMargin->setSuffix(QStringLiteral(" 毫米"));

    FlexLines = new KeyedGrid(this);
    FlexLines->setObjectName(QStringLiteral("FlexLines"));
    FlexLines->setColumns({{QStringLiteral("FSection"), QStringLiteral("区域"), 50},
                           {QStringLiteral("FCells"), QStringLiteral("内容（多栏用 | 分隔，- 为分隔线）"), 330},
                           {QStringLiteral("FWidths"), QStringLiteral("栏宽%"), 90},
                           {QStringLiteral("FAligns"), QStringLiteral("对齐"), 50},
                           {QStringLiteral("FSize"), QStringLiteral("字号"), 40, false, Qt::AlignRight | Qt::AlignVCenter},
                           {QStringLiteral("FBold"), QStringLiteral("粗体"), 40},
                           {QStringLiteral("FWhen"), QStringLiteral("打印条件"), 80}});
    for (const QString &k : {QStringLiteral("FSection"), QStringLiteral("FCells"), QStringLiteral("FWidths"),
                             QStringLiteral("FAligns"), QStringLiteral("FSize"), QStringLiteral("FBold"),
                             QStringLiteral("FWhen")})
        FlexLines->setColEditable(k, true);
    cmdAddLine = button(QStringLiteral("cmdAddLine"), QStringLiteral("插入行"), this);
    cmdDelLine = button(QStringLiteral("cmdDelLine"), QStringLiteral("删除行"), this);
    cmdUp = button(QStringLiteral("cmdUp"), QStringLiteral("上移"), this);
    cmdDown = button(QStringLiteral("cmdDown"), QStringLiteral("下移"), this);

    lstFields = new QListWidget(this);
    lstFields->setObjectName(QStringLiteral("lstFields"));
    for (const RecordSet::Field &f : m_sample.fields())
        lstFields->addItem(f.name);
    lstFields->setToolTip(QStringLiteral("双击把字段插入当前行的内容"));

    lblPreview = new QLabel(this);
    lblPreview->setObjectName(QStringLiteral("lblPreview"));
    lblPreview->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(lblPreview);
    scroll->setWidgetResizable(true);
    // Narrow enough that the designer fits a 1024-wide counter screen.
    scroll->setMinimumWidth(280);
    scroll->setBackgroundRole(QPalette::Dark);

    // Left: templates; middle: page and lines; right: preview.
    auto *left = new QWidget(this);
    auto *lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->addWidget(new QLabel(QStringLiteral("格式列表："), left));
    lv->addWidget(lstTemplates, 3);
    auto *lb = new QHBoxLayout;
    lb->addWidget(cmdNew);
    lb->addWidget(cmdDelete);
    lv->addLayout(lb);
    lv->addWidget(new QLabel(QStringLiteral("可用字段（双击插入）："), left));
    lv->addWidget(lstFields, 4);

    auto *mid = new QWidget(this);
    auto *mv = new QVBoxLayout(mid);
    mv->setContentsMargins(0, 0, 0, 0);
    auto *page = new QGroupBox(QStringLiteral("格式"), mid);
    auto *pf = new QFormLayout(page);
    pf->addRow(QStringLiteral("名称："), txtName);
    auto *paperRow = new QHBoxLayout;
    paperRow->addWidget(cmbPaper);
    paperRow->addWidget(chkLandscape);
    paperRow->addWidget(new QLabel(QStringLiteral("边距："), page));
    paperRow->addWidget(txtMargin);
    paperRow->addStretch();
    pf->addRow(QStringLiteral("纸张："), paperRow);
    mv->addWidget(page);
    mv->addWidget(FlexLines, 1);
    auto *hint = new QLabel(QStringLiteral("字段写作 {FName}，可带格式：{FDate:yyyy-MM-dd}、{FGetCash:0.00}。"
                                           "对齐：L 左、C 中、R 右，每栏一个字母。打印条件填字段名时，"
                                           "该字段为空或为 0 不打印本行；前加 ! 则相反。"),
                            mid);
    hint->setWordWrap(true);
    mv->addWidget(hint);
    auto *lineButtons = new QHBoxLayout;
    for (QPushButton *b : {cmdAddLine, cmdDelLine, cmdUp, cmdDown})
        lineButtons->addWidget(b);
    lineButtons->addStretch();
    lineButtons->addWidget(cmdSave);
    lineButtons->addWidget(cmdClose);
    mv->addLayout(lineButtons);

    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(mid);
    split->addWidget(scroll);
    split->setStretchFactor(1, 1);
    split->setSizes({170, 720, 380});
    auto *v = new QVBoxLayout(this);
    v->addWidget(split);
    resize(1300, 760);

    connect(lstTemplates, &QListWidget::currentTextChanged, this, [this](const QString &name) {
        if (m_filling || name.isEmpty() || name == m_loaded)
            return;
        if (!settleChanges()) {
            m_filling = true;
            const auto found = lstTemplates->findItems(m_loaded, Qt::MatchExactly);
            lstTemplates->setCurrentItem(found.isEmpty() ? nullptr : found.first());
            m_filling = false;
            return;
        }
        // Saving may have rebuilt the list; keep the operator's choice selected.
        m_filling = true;
        lstTemplates->setCurrentItem(lstTemplates->findItems(name, Qt::MatchExactly).value(0));
        m_filling = false;
        showTemplate(name);
    });
    connect(cmdNew, &QPushButton::clicked, this, &frmTdDesigner::cmdNew_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmTdDesigner::cmdSave_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTdDesigner::cmdDelete_Click);
    connect(cmdAddLine, &QPushButton::clicked, this, &frmTdDesigner::cmdAddLine_Click);
    connect(cmdDelLine, &QPushButton::clicked, this, &frmTdDesigner::cmdDelLine_Click);
    connect(cmdUp, &QPushButton::clicked, this, [this] { moveLine(-1); });
    connect(cmdDown, &QPushButton::clicked, this, [this] { moveLine(1); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstFields, &QListWidget::itemDoubleClicked, this, &frmTdDesigner::lstFields_DoubleClick);
    connect(FlexLines, &QTableWidget::itemChanged, this, [this] { markModified(); });
    connect(txtName, &QLineEdit::textEdited, this, [this] { m_modified = true; });
    connect(cmbPaper, &QComboBox::currentIndexChanged, this, [this] { markModified(); });
    connect(chkLandscape, &QCheckBox::toggled, this, [this] { markModified(); });
    connect(txtMargin, &QDoubleSpinBox::valueChanged, this, [this] { markModified(); });

    loadList(QString());
}

void frmTdDesigner::loadList(const QString &select)
{
    m_filling = true;
    lstTemplates->clear();
    const QStringList names = TemplateStore::names(m_cnstr, m_tranType);
    lstTemplates->addItems(names);
    m_filling = false;
    const QString pick = names.contains(select) ? select : names.value(0);
    if (pick.isEmpty()) {
        cmdNew_Click();
        return;
    }
    m_filling = true;
    lstTemplates->setCurrentItem(lstTemplates->findItems(pick, Qt::MatchExactly).value(0));
    m_filling = false;
    showTemplate(pick);
}

void frmTdDesigner::showTemplate(const QString &name)
{
    const PrintTemplate t = TemplateStore::resolve(m_cnstr, m_tranType, name);
    m_loaded = name;
    txtName->setText(name);
    fillEditor(t);
}

void frmTdDesigner::fillEditor(const PrintTemplate &t)
{
    m_filling = true;
    const int paper = cmbPaper->findData(t.paper);
    cmbPaper->setCurrentIndex(paper < 0 ? 1 : paper);
    chkLandscape->setChecked(t.landscape);
    txtMargin->setValue(t.margin);
    FlexLines->setRows(1);
    for (const PrintTemplate::Line &l : t.lines)
        setLine(FlexLines->addRow(), l);
    m_filling = false;
    m_modified = false;
    refreshPreview();
}

void frmTdDesigner::setLine(int row, const PrintTemplate::Line &l)
{
    FlexLines->setText(row, QStringLiteral("FSection"), sectionText(l.section));
    FlexLines->setText(row, QStringLiteral("FCells"), PrintTemplate::cellsText(l));
    FlexLines->setText(row, QStringLiteral("FWidths"), l.cells.size() > 1 ? PrintTemplate::widthsText(l) : QString());
    FlexLines->setText(row, QStringLiteral("FAligns"), PrintTemplate::alignsText(l));
    FlexLines->setText(row, QStringLiteral("FSize"), QString::number(l.size));
    FlexLines->setText(row, QStringLiteral("FBold"), l.bold ? QStringLiteral("是") : QString());
    FlexLines->setText(row, QStringLiteral("FWhen"), l.when);
}

PrintTemplate::Line frmTdDesigner::lineAt(int row) const
{
    const QString bold = FlexLines->text(row, QStringLiteral("FBold")).trimmed();
    const double size = FlexLines->value(row, QStringLiteral("FSize"));
    return PrintTemplate::makeLine(sectionOf(FlexLines->text(row, QStringLiteral("FSection"))),
                                   FlexLines->text(row, QStringLiteral("FCells")),
                                   FlexLines->text(row, QStringLiteral("FWidths")),
                                   FlexLines->text(row, QStringLiteral("FAligns")), size > 0 ? size : 9,
                                   !bold.isEmpty() && bold != u"0" && bold != u"否",
                                   FlexLines->text(row, QStringLiteral("FWhen")));
}

PrintTemplate frmTdDesigner::currentTemplate() const
{
    PrintTemplate t;
    t.paper = cmbPaper->currentData().toString();
    t.landscape = chkLandscape->isChecked();
    t.margin = txtMargin->value();
    for (int r = 1; r < FlexLines->rows(); ++r)
        t.lines.append(lineAt(r));
    return t;
}

void frmTdDesigner::markModified()
{
    if (m_filling)
        return;
    m_modified = true;
    refreshPreview();
}

void frmTdDesigner::refreshPreview()
{
    const TemplateRenderer r(currentTemplate(), m_sample);
    // The whole width in view: a roll about life size, a page shrunk to the pane.
    const QImage img = r.image(qBound(1.0, 330.0 / qMax(1.0, r.widthMm()), 4.0));
    lblPreview->setPixmap(QPixmap::fromImage(img));
}

void frmTdDesigner::cmdNew_Click()
{
    if (!settleChanges())
        return;
    const QStringList names = TemplateStore::names(m_cnstr, m_tranType);
    QString name = QStringLiteral("新格式");
    for (int n = 2; names.contains(name); ++n)
        name = QStringLiteral("新格式%1").arg(n);
    m_loaded.clear();
    m_filling = true;
    lstTemplates->clearSelection();
    lstTemplates->setCurrentItem(nullptr);
    m_filling = false;
    txtName->setText(name);
    fillEditor(TemplateLibrary::builtIn(m_tranType));
    m_modified = true;
    txtName->setFocus();
    txtName->selectAll();
}

void frmTdDesigner::cmdSave_Click()
{
    const QString name = txtName->text().trimmed();
    if (name.isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请输入格式名称！"));
        txtName->setFocus();
        return;
    }
    if (name != m_loaded && TemplateStore::names(m_cnstr, m_tranType).contains(name) &&
        !Prompts::current().question(QStringLiteral("格式“%1”已存在，是否覆盖？").arg(name), true))
        return;
    try {
        TemplateStore::save(m_cnstr, m_tranType, name, currentTemplate());
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    m_modified = false;
    m_loaded = name;
    loadList(name);
    Prompts::current().information(QStringLiteral("格式“%1”已保存！").arg(name));
}

void frmTdDesigner::cmdDelete_Click()
{
    if (m_loaded.isEmpty())
        return;
    if (!Prompts::current().question(QStringLiteral("是否删除格式“%1”？").arg(m_loaded), true))
        return;
    try {
        TemplateStore::remove(m_cnstr, m_tranType, m_loaded);
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    m_modified = false;
    m_loaded.clear();
    loadList(QString());
}

void frmTdDesigner::cmdAddLine_Click()
{
    const int at = FlexLines->currentGridRow();
    PrintTemplate::Line l = PrintTemplate::makeLine(
        at > 0 ? lineAt(at).section : PrintTemplate::Section::Header, QString());
    m_filling = true;
    int row;
    if (at > 0) {
        FlexLines->insertRow(at); // below the current line
        row = at + 1;
    } else {
        row = FlexLines->addRow();
    }
    setLine(row, l);
    m_filling = false;
    FlexLines->setCurrentGridRow(row);
    markModified();
}

void frmTdDesigner::cmdDelLine_Click()
{
    const int row = FlexLines->currentGridRow();
    if (row < 1)
        return;
    FlexLines->removeGridRow(row);
    markModified();
}

void frmTdDesigner::moveLine(int delta)
{
    const int row = FlexLines->currentGridRow();
    const int to = row + delta;
    if (row < 1 || to < 1 || to >= FlexLines->rows())
        return;
    const PrintTemplate::Line a = lineAt(row), b = lineAt(to);
    m_filling = true;
    setLine(row, b);
    setLine(to, a);
    m_filling = false;
    FlexLines->setCurrentGridRow(to);
    markModified();
}

void frmTdDesigner::lstFields_DoubleClick()
{
    const QListWidgetItem *item = lstFields->currentItem();
    int row = FlexLines->currentGridRow();
    if (!item)
        return;
    if (row < 1) {
        cmdAddLine_Click();
        row = FlexLines->currentGridRow();
    }
    const QString key = QStringLiteral("FCells");
    FlexLines->setText(row, key, FlexLines->text(row, key) + u'{' + item->text() + u'}');
}

bool frmTdDesigner::settleChanges()
{
    if (!m_modified)
        return true;
    if (Prompts::current().question(QStringLiteral("格式已修改，是否保存？"))) {
        cmdSave_Click();
        return !m_modified;
    }
    m_modified = false;
    return true;
}

void frmTdDesigner::reject()
{
    if (settleChanges())
        QDialog::reject();
}

void RunDesiger(const QString &cnstr, short tranType)
{
    frmTdDesigner dlg(cnstr, tranType);
    DialogRunner::exec(dlg);
}

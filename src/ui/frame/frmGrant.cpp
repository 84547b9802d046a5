#include "ui/frame/frmGrant.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widgets/ErrorPrompt.h"
#include "core/frame/Prompts.h"
#include "core/frame/ReferenceData.h"
#include "core/frame/Routines.h"
#include "core/frame/StationSettings.h"
#include "core/frame/UserGrants.h"
#include "core/base/CoreError.h"

frmGrant::frmGrant(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGrant"));
    setWindowTitle(QStringLiteral("权限控制"));

    auto *userLabel = new QLabel(QStringLiteral("操作员："), this);
    cmbUser = new QComboBox(this);
    cmbUser->setObjectName(QStringLiteral("cmbUser"));
    cmbUser->setMinimumWidth(180);
    userLabel->setBuddy(cmbUser);

    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(frame);
    const QList<UserGrants::Right> &rights = UserGrants::rights();
    const int perColumn = int((rights.size() + 1) / 2);
    for (int i = 0; i < rights.size(); ++i) {
        auto *box = new QCheckBox(rights[i].caption, frame);
        box->setObjectName(QStringLiteral("chk_") + rights[i].key);
        grid->addWidget(box, i % perColumn, i / perColumn);
        m_rightBoxes << box;
    }

    auto *portLabel = new QLabel(QStringLiteral("打印机端口："), this);
    cmbPort = new QComboBox(this);
    cmbPort->setObjectName(QStringLiteral("cmbPort"));
    cmbPort->setMinimumWidth(100);
    portLabel->setBuddy(cmbPort);
    chk_UseMoneyBox = new QCheckBox(QStringLiteral("使用电子钱箱"), this);
    chk_UseMoneyBox->setObjectName(QStringLiteral("chk_UseMoneyBox"));
    chk_ScanAddsLine = new QCheckBox(QStringLiteral("扫码直接加入"), this);
    chk_ScanAddsLine->setObjectName(QStringLiteral("chk_ScanAddsLine"));

    cmdGrant = new QPushButton(QStringLiteral("授权(&G)"), this);
    cmdGrant->setObjectName(QStringLiteral("cmdGrant"));
    cmdGrant->setAutoDefault(false);
    Command1 = new QPushButton(QStringLiteral("关闭(&C)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);

    auto *top = new QHBoxLayout;
    top->addWidget(userLabel);
    top->addWidget(cmbUser, 1);
    auto *station = new QHBoxLayout;
    station->addWidget(portLabel);
    station->addWidget(cmbPort);
    station->addSpacing(16);
    station->addWidget(chk_UseMoneyBox);
    station->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdGrant);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frame);
    layout->addLayout(station);
    layout->addWidget(chk_ScanAddsLine);
    layout->addLayout(buttons);

    Form_Load();

    connect(cmbUser, &QComboBox::currentIndexChanged, this, [this] { cmbUser_Click(); });
    connect(cmdGrant, &QPushButton::clicked, this, [this] { cmdGrant_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void frmGrant::Form_Load()
{
    cmbUser->addItems(ReferenceData::operatorNames(GetCnstr()));
    cmbUser->setCurrentIndex(-1); // nobody is chosen until the manager picks an operator

    cmbPort->addItems({QString(), QStringLiteral("LPT1"), QStringLiteral("LPT2"),
                       QStringLiteral("LPT3"), QStringLiteral("LPT4"), QStringLiteral("LPT5"),
                       QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                       QStringLiteral("Com4")});
    const QString port = StationSettings::printPort();
    int index = cmbPort->findText(port, Qt::MatchFixedString);
    if (index < 0) {
        // A port this list does not offer (set by hand on this station) is kept, not lost on
        // the next close.
        cmbPort->addItem(port);
        index = cmbPort->count() - 1;
    }
    cmbPort->setCurrentIndex(index);
    chk_UseMoneyBox->setChecked(StationSettings::useMoneyBox());
    chk_ScanAddsLine->setChecked(StationSettings::scanAddsLine());
}

QCheckBox *frmGrant::rightBox(const QString &key) const
{
    for (QCheckBox *box : m_rightBoxes)
        if (box->objectName().compare(QStringLiteral("chk_") + key, Qt::CaseInsensitive) == 0)
            return box;
    return nullptr;
}

void frmGrant::cmbUser_Click()
{
    for (QCheckBox *box : m_rightBoxes)
        box->setChecked(false);
    if (cmbUser->currentIndex() < 0)
        return;
    try {
        const QMap<QString, bool> granted = UserGrants::load(GetCnstr(), cmbUser->currentText());
        for (auto it = granted.cbegin(); it != granted.cend(); ++it)
            if (QCheckBox *box = rightBox(it.key()))
                box->setChecked(it.value());
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void frmGrant::cmdGrant_Click()
{
    QMap<QString, bool> granted;
    for (const UserGrants::Right &r : UserGrants::rights())
        granted.insert(r.key, rightBox(r.key)->isChecked());
    try {
        UserGrants::grant(GetCnstr(), cmbUser->currentText(), granted);
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    Prompts::current().information(QStringLiteral("授权完成！"));
}

void frmGrant::Command1_Click()
{
    try {
        StationSettings::setPrintPort(cmbPort->currentText());
        StationSettings::setUseMoneyBox(chk_UseMoneyBox->isChecked());
        StationSettings::setScanAddsLine(chk_ScanAddsLine->isChecked());
    } catch (const CoreError &e) {
        // The screen stays open with the choice shown, so the manager can note it down.
        showError(e, this);
        return;
    }
    accept();
}

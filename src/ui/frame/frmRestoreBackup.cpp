#include "ui/frame/frmRestoreBackup.h"

#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/db/Backup.h"
#include "core/frame/Prompts.h"
#include "ui/print/FileChooser.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

frmRestoreBackup::frmRestoreBackup(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmRestoreBackup"), QStringLiteral("恢复帐套"))
{
    FlexBackups = new KeyedGrid(this);
    FlexBackups->setObjectName(QStringLiteral("FlexBackups"));
    FlexBackups->setColumns({{QStringLiteral("when"), QStringLiteral("日期"), 150},
                             {QStringLiteral("size"), QStringLiteral("大小"), 100, false,
                              Qt::AlignRight | Qt::AlignVCenter},
                             {QStringLiteral("version"), QStringLiteral("版本"), 50},
                             {QStringLiteral("file"), QStringLiteral("文件"), 380}});
    FlexBackups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FlexBackups->setSelectionBehavior(QAbstractItemView::SelectRows);
    cmdOther = new QPushButton(QStringLiteral("其他文件(&F)..."), this);
    cmdOther->setObjectName(QStringLiteral("cmdOther"));
    cmdOther->setAutoDefault(false);
    auto *v = new QVBoxLayout;
    v->addWidget(FlexBackups, 1);
    v->addWidget(cmdOther, 0, Qt::AlignLeft);
    build(v);
    resize(760, 420);
    connect(cmdOther, &QPushButton::clicked, this, [this] { cmdOther_Click(); });
    connect(FlexBackups, &KeyedGrid::rowDoubleClicked, this, [this](int) { cmdOk_Click(); });
}

void frmRestoreBackup::init(const QString &cnstr)
{
    m_cnstr = cnstr;
    FlexBackups->setRows(1);
    runShowingErrors(this, [this] {
        const QLocale c(QLocale::Chinese, QLocale::China);
        for (const db::Backup::File &f : db::Backup::list(m_cnstr)) {
            const int row = FlexBackups->addRow();
            FlexBackups->setText(row, QStringLiteral("when"), f.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            FlexBackups->setText(row, QStringLiteral("size"), c.formattedDataSize(f.size));
            FlexBackups->setText(row, QStringLiteral("version"),
                                 f.version < 0 ? QStringLiteral("?") : QString::number(f.version));
            FlexBackups->setText(row, QStringLiteral("file"), QDir::toNativeSeparators(f.path));
        }
    });
    if (FlexBackups->rows() > 1)
        FlexBackups->setCurrentGridRow(1);
    FlexBackups->setFocus();
}

void frmRestoreBackup::cmdOk_Click()
{
    const int row = FlexBackups->currentGridRow();
    if (row < 1) {
        Prompts::current().exclamation(QStringLiteral("请选择要恢复的备份！"));
        return;
    }
    m_file = QDir::fromNativeSeparators(FlexBackups->text(row, QStringLiteral("file")));
    m_ok = true;
    accept();
}

void frmRestoreBackup::cmdOther_Click()
{
    const QString file = FileChooser::current().openFileName(
        QStringLiteral("选择备份文件"), db::Backup::folderFor(m_cnstr),
        QStringLiteral("帐套备份 (*.db);;所有文件 (*)"));
    if (file.isEmpty())
        return;
    m_file = file;
    m_ok = true;
    accept();
}

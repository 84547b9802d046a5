#include "ui/frame/frmAccountSets.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>

#include "core/db/Backup.h"
#include "core/db/ConnectionString.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/frame/frmNewAccount.h"
#include "ui/frame/frmRestoreBackup.h"
#include "ui/frame/frmServerAccount.h"
#include "ui/print/FileChooser.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// A long copy shows that it is working and what it is at; the counter stays painted.
class ProgressShown
{
public:
    ProgressShown(QWidget *parent, const QString &title)
        : m_dialog(title, QString(), 0, 0, parent)
    {
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setCancelButton(nullptr);
        m_dialog.setMinimumDuration(0);
        m_dialog.show();
        QApplication::processEvents();
    }
    db::Backup::Progress callback()
    {
        return [this](const QString &line) {
            m_dialog.setLabelText(line.left(80));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
    }

private:
    QProgressDialog m_dialog;
};

QString whereOf(const db::ConnectionString &cs)
{
    if (!db::Dialect::isServer(cs))
        return QDir::toNativeSeparators(cs.path);
    return QStringLiteral("%1:%2/%3").arg(cs.host).arg(cs.port).arg(cs.database) +
           (cs.schema.isEmpty() ? QString() : u'/' + cs.schema);
}

} // namespace

frmAccountSets::frmAccountSets(QWidget *parent)
    : ReportWindow(GetCnstr(), QStringLiteral("frmAccountSets"), QStringLiteral("帐套管理"),
                   QStringLiteral("FlexAccounts"), parent)
{
    cmdNew = addButton(QStringLiteral("cmdNew"), QStringLiteral("新建帐套(&N)"));
    cmdServer = addButton(QStringLiteral("cmdServer"), QStringLiteral("连接服务器(&S)"));
    cmdBackup = addButton(QStringLiteral("cmdBackup"), QStringLiteral("备份(&B)"));
    cmdRestore = addButton(QStringLiteral("cmdRestore"), QStringLiteral("恢复(&R)"));
    cmdRemove = addButton(QStringLiteral("cmdRemove"), QStringLiteral("从本机移除(&D)"));
    cmdClose = addButton(QStringLiteral("cmdClose"), QStringLiteral("关闭(&C)"));
    connect(cmdNew, &QPushButton::clicked, this, [this] { cmdNew_Click(); });
    connect(cmdServer, &QPushButton::clicked, this, [this] { cmdServer_Click(); });
    connect(cmdBackup, &QPushButton::clicked, this, [this] { cmdBackup_Click(); });
    connect(cmdRestore, &QPushButton::clicked, this, [this] { cmdRestore_Click(); });
    connect(cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    KeyedGrid *g = grid();
    // Every column in view on a 1024-wide counter screen.
    g->setColumns({{QStringLiteral("name"), QStringLiteral("帐套"), 140},
                   {QStringLiteral("engine"), QStringLiteral("类型"), 90},
                   {QStringLiteral("where"), QStringLiteral("位置"), 300},
                   {QStringLiteral("version"), QStringLiteral("版本"), 50},
                   {QStringLiteral("backup"), QStringLiteral("最近备份"), 140}});
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->installEventFilter(this);
    resize(960, 520);
    refresh();
    g->setFocus();
}

void frmAccountSets::done(int result)
{
    QDialog::done(result);
}

bool frmAccountSets::eventFilter(QObject *watched, QEvent *event)
{
    // Delete on a line takes it off the list (after asking), as the button does.
    if (watched == grid() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        cmdRemove_Click();
        return true;
    }
    return ReportWindow::eventFilter(watched, event);
}

void frmAccountSets::refresh()
{
    KeyedGrid *g = grid();
    const int keep = g->currentGridRow();
    g->setRows(1);
    for (const AccountSets::Entry &e : AccountSets::list()) {
        const int row = g->addRow();
        g->setText(row, QStringLiteral("name"), e.name);
        QString engine, where, version = QStringLiteral("?");
        try {
            const db::ConnectionString cs = db::ConnectionString::parse(e.cnstr);
            engine = db::Dialect::isServer(cs) ? QStringLiteral("PostgreSQL")
                                               : QStringLiteral("本机 SQLite");
            where = whereOf(cs);
            // A file that is gone is not made anew by looking at it.
            if (!db::Dialect::isServer(cs) && !QFileInfo::exists(cs.path))
                version = QStringLiteral("文件不存在");
            else
                version = QString::number(db::Schema::version(e.cnstr));
        } catch (const CoreError &) {
            if (version == u"?")
                version = QStringLiteral("无法打开");
        }
        QDateTime last = e.lastBackup;
        if (engine.startsWith(QStringLiteral("本机"))) {
            try {
                const QList<db::Backup::File> files = db::Backup::list(e.cnstr);
                if (!files.isEmpty() && (!last.isValid() || files.first().when > last))
                    last = files.first().when;
            } catch (const CoreError &) {
            }
        }
        g->setText(row, QStringLiteral("engine"), engine);
        g->setText(row, QStringLiteral("where"), where);
        g->setText(row, QStringLiteral("version"), version);
        g->setText(row, QStringLiteral("backup"),
                   last.isValid() ? last.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("无"));
    }
    if (g->rows() > 1)
        g->setCurrentGridRow(qBound(1, keep, g->rows() - 1));
}

void frmAccountSets::selectName(const QString &name)
{
    for (int r = 1; r < grid()->rows(); ++r)
        if (grid()->text(r, QStringLiteral("name")) == name)
            grid()->setCurrentGridRow(r);
}

bool frmAccountSets::current(QString *name, QString *cnstr)
{
    const int row = grid()->currentGridRow();
    if (row >= 1) {
        *name = grid()->text(row, QStringLiteral("name"));
        *cnstr = AccountSets::cnstrOf(*name);
    }
    if (row < 1 || cnstr->isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请先选择帐套！"));
        grid()->setFocus();
        return false;
    }
    return true;
}

void frmAccountSets::cmdNew_Click()
{
    frmNewAccount f(this);
    DialogRunner::exec(f);
    refresh();
    if (f.OK())
        selectName(f.NewName());
    grid()->setFocus();
}

void frmAccountSets::cmdServer_Click()
{
    frmServerAccount f(this);
    DialogRunner::exec(f);
    refresh();
    if (f.OK())
        selectName(f.NewName());
    grid()->setFocus();
}

void frmAccountSets::cmdBackup_Click()
{
    QString name, cnstr;
    if (!current(&name, &cnstr))
        return;
    runShowingErrors(this, [&] {
        QString target;
        if (db::Dialect::isServer(db::ConnectionString::parse(cnstr))) {
            const QString folder = db::Backup::folderFor(cnstr);
            target = FileChooser::current().saveFileName(
                QStringLiteral("备份到"),
                folder + u'/' + name + u'-' + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                    QStringLiteral(".dump"),
                QStringLiteral("PostgreSQL 备份 (*.dump)"));
            if (target.isEmpty())
                return;
        }
        ProgressShown progress(this, QStringLiteral("正在备份“%1”…").arg(name));
        const QString written = db::Backup::make(cnstr, db::Backup::Kind::Manual, target, progress.callback());
        Prompts::current().information(QStringLiteral("备份完成：%1").arg(QDir::toNativeSeparators(written)));
    });
    refresh();
}

void frmAccountSets::cmdRestore_Click()
{
    QString name, cnstr;
    if (!current(&name, &cnstr))
        return;
    runShowingErrors(this, [&] {
        QString file;
        const bool server = db::Dialect::isServer(db::ConnectionString::parse(cnstr));
        if (server) {
            file = FileChooser::current().openFileName(QStringLiteral("选择备份文件"),
                                                       db::Backup::folderFor(cnstr),
                                                       QStringLiteral("PostgreSQL 备份 (*.dump);;所有文件 (*)"));
        } else {
            frmRestoreBackup f(this);
            f.init(cnstr);
            if (DialogRunner::exec(f) == QDialog::Accepted && f.OK())
                file = f.GetFile();
        }
        if (file.isEmpty())
            return;
        const QString question =
            server ? QStringLiteral("把“%1”恢复到帐套“%2”的数据库？该数据库必须是空的。")
                         .arg(QDir::toNativeSeparators(file), name)
                   : QStringLiteral("用“%1”恢复帐套“%2”？现在的数据会先另存一份“恢复前”备份。")
                         .arg(QDir::toNativeSeparators(file), name);
        if (!Prompts::current().question(question, true))
            return;
        ProgressShown progress(this, QStringLiteral("正在恢复“%1”…").arg(name));
        db::Backup::restore(cnstr, file, progress.callback());
        Prompts::current().information(QStringLiteral("帐套“%1”已恢复。").arg(name));
    });
    refresh();
}

void frmAccountSets::cmdRemove_Click()
{
    QString name, cnstr;
    if (!current(&name, &cnstr))
        return;
    if (cnstr == GetCnstr()) {
        Prompts::current().information(QStringLiteral("正在使用的帐套不能移除！"));
        return;
    }
    if (!Prompts::current().question(
            QStringLiteral("把帐套“%1”从本机的列表中移除？文件和数据库都不会删除，以后可以再加入。").arg(name),
            true))
        return;
    runShowingErrors(this, [&] { AccountSets::remove(name); });
    refresh();
    grid()->setFocus();
}

#pragma once

#include "ui/reports/ReportWindow.h"

class QPushButton;

// "帐套管理": the account sets this station lists (name, engine, where, schema version, last
// backup), a new shop on this station or on a server, backups and restores, and taking a
// line off the list (never a file or a database). Opened from the login dialogue and, for
// managers, from the main window.
class frmAccountSets : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmAccountSets(QWidget *parent = nullptr);

    void refresh();
    void cmdNew_Click();
    void cmdServer_Click();
    void cmdBackup_Click();
    void cmdRestore_Click();
    void cmdRemove_Click();

    // No column widths are kept: the window may be open before any shop is.
    void done(int result) override;

    QPushButton *cmdNew, *cmdServer, *cmdBackup, *cmdRestore, *cmdRemove, *cmdClose;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The name and connection string of the current line; false (and a message) when none.
    bool current(QString *name, QString *cnstr);
    void selectName(const QString &name);
};

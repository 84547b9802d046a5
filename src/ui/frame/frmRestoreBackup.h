#pragma once

#include "ui/widgets/SmallDialog.h"

class KeyedGrid;

// Which copy of a SQLite shop to put back: the copies in its backups folder (date, size,
// schema version), or another file.
class frmRestoreBackup : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmRestoreBackup(QWidget *parent = nullptr);

    void init(const QString &cnstr);
    void cmdOk_Click() override;
    void cmdOther_Click();
    QString GetFile() const { return m_file; }

    KeyedGrid *FlexBackups;
    QPushButton *cmdOther;

private:
    QString m_cnstr;
    QString m_file;
};

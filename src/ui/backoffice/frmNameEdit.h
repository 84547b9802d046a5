#pragma once

#include <functional>

#include "ui/backoffice/RecordDialog.h"

class QLineEdit;

// A record of a number and a name, or a name alone (price styles, warehouses): the two boxes
// and a save handed in by the list, which runs it inside the dialog so a refusal keeps the
// dialog open with what was typed.
class frmNameEdit : public RecordDialog
{
    Q_OBJECT
public:
    using Save = std::function<void(const QString &number, const QString &name)>;

    // Without a number caption the number box is left out.
    frmNameEdit(const QString &objectName, const QString &title, const QString &numberCaption,
                const QString &nameCaption, Save save, QWidget *parent = nullptr);

    void init(const QString &number, const QString &name);
    void cmdOk_Click() override;

    QLineEdit *txtNumber = nullptr;
    QLineEdit *txtName;

private:
    Save m_save;
};

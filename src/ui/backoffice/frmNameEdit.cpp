#include "ui/backoffice/frmNameEdit.h"

#include <QLineEdit>

#include "ui/widgets/ErrorPrompt.h"

frmNameEdit::frmNameEdit(const QString &objectName, const QString &title, const QString &numberCaption,
                         const QString &nameCaption, Save save, QWidget *parent)
    : RecordDialog(parent, objectName, title), m_save(std::move(save))
{
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMinimumWidth(220);
    if (numberCaption.isEmpty()) {
        build({{nameCaption, txtName}});
        chain({txtName});
    } else {
        txtNumber = new QLineEdit(this);
        txtNumber->setObjectName(QStringLiteral("txtNumber"));
        build({{numberCaption, txtNumber}, {nameCaption, txtName}});
        chain({txtNumber, txtName});
    }
}

void frmNameEdit::init(const QString &number, const QString &name)
{
    if (txtNumber)
        txtNumber->setText(number);
    txtName->setText(name);
}

void frmNameEdit::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        m_save(txtNumber ? txtNumber->text() : QString(), txtName->text());
        m_ok = true;
        accept();
    });
}

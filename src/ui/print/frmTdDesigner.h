#pragma once

#include <QDialog>

#include "core/print/PrintTemplate.h"
#include "core/print/RecordSet.h"

class KeyedGrid;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "套打设计器": the print templates of one document type. Lists them, edits one line by
// line with a live preview on sample data, saves it to the database, adds and removes.
class frmTdDesigner : public QDialog
{
    Q_OBJECT
public:
    frmTdDesigner(const QString &cnstr, int tranType, QWidget *parent = nullptr);

    QListWidget *lstTemplates;
    QLineEdit *txtName;
    QComboBox *cmbPaper;
    QCheckBox *chkLandscape;
    QDoubleSpinBox *txtMargin;
    KeyedGrid *FlexLines;
    QListWidget *lstFields;
    QLabel *lblPreview;
    QPushButton *cmdNew;
    QPushButton *cmdSave;
    QPushButton *cmdDelete;
    QPushButton *cmdAddLine;
    QPushButton *cmdDelLine;
    QPushButton *cmdUp;
    QPushButton *cmdDown;
    QPushButton *cmdClose;

    // The template as the editor holds it now.
    PrintTemplate currentTemplate() const;
    bool isModified() const { return m_modified; }

    void cmdNew_Click();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdAddLine_Click();
    void cmdDelLine_Click();
    void moveLine(int delta);
    void lstFields_DoubleClick();
    void refreshPreview();

protected:
    void reject() override;

private:
    void loadList(const QString &select);
    void showTemplate(const QString &name);
    void fillEditor(const PrintTemplate &t);
    void setLine(int row, const PrintTemplate::Line &l);
    PrintTemplate::Line lineAt(int row) const;
    // Asks to save unsaved changes; false when the operator wants to stay.
    bool settleChanges();
    void markModified();

    QString m_cnstr;
    int m_tranType;
    QString m_loaded; // name of the template in the editor as stored, empty for a new one
    RecordSet m_sample;
    bool m_modified = false;
    bool m_filling = false;
};

// The designer as the main window starts it: modal, on the templates of the document type.
void RunDesiger(const QString &cnstr, short tranType);

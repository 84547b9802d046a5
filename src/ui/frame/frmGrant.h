#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QPushButton;

// "权限控制": a manager grants rights to an operator and sets this station's receipt printer
// port and cash drawer. Opened modally from the main window, for managers only.
class frmGrant : public QDialog
{
    Q_OBJECT
public:
    // Fills the operator and port lists and shows the stored settings; database errors reach
    // the opener.
    explicit frmGrant(QWidget *parent = nullptr);

    // The right check box of a key (any case), or nullptr.
    QCheckBox *rightBox(const QString &key) const;

    // Choosing an operator: ticks the boxes from the operator's rows.
    void cmbUser_Click();
    // "授权(&G)": writes the ten rows for the chosen operator.
    void cmdGrant_Click();
    // "关闭(&C)": stores the port and drawer settings and closes. The close box stores nothing.
    void Command1_Click();

    QComboBox *cmbUser;
    QComboBox *cmbPort;
    QCheckBox *chk_UseMoneyBox;
    QCheckBox *chk_ScanAddsLine;
    QPushButton *cmdGrant;
    QPushButton *Command1; // "关闭": closes the window

private:
    void Form_Load();
    QList<QCheckBox *> m_rightBoxes;
};

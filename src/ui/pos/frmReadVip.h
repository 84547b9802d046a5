#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "读卡": finds a member by card number or telephone number. The caller reads OK, VipNO
// (the card number found, also when the telephone number was typed) and VipOwner.
class frmReadVip : public QDialog
{
    Q_OBJECT
public:
    explicit frmReadVip(QWidget *parent = nullptr);

    bool OK() const { return m_ok; }
    QString VipNO() const { return m_vipNo; }
    QString VipOwner() const { return m_owner; }

    void Command1_Click();
    void Command2_Click();

    QLineEdit *Text1;
    QPushButton *Command1;
    QPushButton *Command2;

private:
    bool m_ok = false;
    QString m_vipNo;
    QString m_owner;
};

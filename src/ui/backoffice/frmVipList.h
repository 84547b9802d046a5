#pragma once

#include "ui/backoffice/BaseDataList.h"

class QPushButton;

// "会员一览": the cards found in the documents with holder, identity number, phone, balance,
// open order units and last visit, searched by any of them; the chosen card opens in the
// member forms (details, card replacement, recharge, statement); the list exports.
class frmVipList : public BaseDataList
{
    Q_OBJECT
public:
    explicit frmVipList(QWidget *parent = nullptr);

    void refresh() override;
    void newRecord() override;  // a new member starts with a recharge
    void editRecord() override; // the member's details
    void cmdReplace_Click();
    void cmdRecharge_Click();
    void cmdStatement_Click();

    // The card on the current line; empty when none.
    QString currentCard() const;

    QPushButton *cmdQuery;
    QPushButton *cmdEdit;
    QPushButton *cmdReplace;
    QPushButton *cmdRecharge;
    QPushButton *cmdStatement;
    QPushButton *cmdExport;

protected:
    void searchEntered() override { refresh(); }

private:
    bool haveCard();
};

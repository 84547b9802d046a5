#pragma once

#include "ui/backoffice/BaseDataList.h"

class QPushButton;

// "商品资料": the items, filtered as the operator types by shop number, bar code or name; new,
// change, disable (a disabled item stays on its bills, is struck out here and is not found at
// the counter), delete while nothing names it, export.
class frmItemList : public BaseDataList
{
    Q_OBJECT
public:
    explicit frmItemList(QWidget *parent = nullptr);

    void refresh() override;
    void newRecord() override;
    void editRecord() override;
    void cmdDisable_Click();
    void cmdDelete_Click();

    QPushButton *cmdEdit;
    QPushButton *cmdDisable;
    QPushButton *cmdDelete;
    QPushButton *cmdExport;
};

#pragma once

#include "ui/backoffice/BaseDataList.h"

class QPushButton;

// "价格体系": the price styles; new, rename, delete. The retail style the counter reads keeps
// its name and stays.
class frmPriceStyle : public BaseDataList
{
    Q_OBJECT
public:
    explicit frmPriceStyle(QWidget *parent = nullptr);

    void refresh() override;
    void newRecord() override;
    void editRecord() override;
    void cmdDelete_Click();

    QPushButton *cmdEdit;
    QPushButton *cmdDelete;
};

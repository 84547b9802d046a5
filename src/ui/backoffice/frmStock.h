#pragma once

#include "ui/backoffice/BaseDataList.h"

class QPushButton;

// "仓库": the warehouses; new, change, disable or enable. The last enabled one stays, and
// disabling this station's own sale warehouse is asked about first.
class frmStock : public BaseDataList
{
    Q_OBJECT
public:
    explicit frmStock(QWidget *parent = nullptr);

    void refresh() override;
    void newRecord() override;
    void editRecord() override;
    void cmdDisable_Click();

    QPushButton *cmdEdit;
    QPushButton *cmdDisable;
};

#pragma once

#include "core/exchange/ShopImport.h"
#include "ui/widgets/SmallDialog.h"

class KeyedGrid;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;

// "导入": a spreadsheet of items, members or open orders is read and shown first (the first
// rows as they will be stored and every refused row); only a file without refused rows is
// imported, on confirmation, with a progress bar whose cancel rolls everything back. The same
// window exports a kind and writes its template ("下载模板").
class frmImport : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmImport(QWidget *parent = nullptr);

    void cmdOk_Click() override;   // 导入
    void cmdExit_Click() override; // 关闭, or 取消 while importing
    void cmdBrowse_Click();
    void cmdPreview_Click();
    void cmdTemplate_Click();
    void cmdExport_Click();

    QComboBox *cmbKind;
    QLineEdit *txtFile;
    QCheckBox *chkUpdate;
    KeyedGrid *FlexPreview;
    KeyedGrid *FlexRefused;
    QLabel *lblSummary;
    QProgressBar *barProgress;
    QPushButton *cmdBrowse, *cmdPreview, *cmdTemplate, *cmdExport;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ShopImport::Kind kind() const;
    ShopImport::Hooks hooks();
    void showPlan();
    void setBusy(bool busy);

    std::optional<ShopImport::Plan> m_plan;
    QString m_planFile;
    bool m_busy = false, m_cancel = false;
};

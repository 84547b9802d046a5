#pragma once

#include "core/reports/GroupedReport.h"
#include "ui/reports/ReportWindow.h"

class QComboBox;
class QDateEdit;
class QPushButton;

// The grouped report windows: the bill-date range, two grouping criteria, the filters a
// report adds, and the grid with its subtotal and total rows. Each report says its design.
class GroupedReportWindow : public ReportWindow
{
    Q_OBJECT
public:
    QDateEdit *dtpFromDate;
    QDateEdit *dtpToDate;
    QComboBox *cmbTotal1;
    QComboBox *cmbTotal2;
    KeyedGrid *Flex;
    QPushButton *cmdRefresh;
    QPushButton *cmdPrint;
    QPushButton *cmdPageSet;
    QPushButton *cmdExit;

    void cmdRefresh_Click();

protected:
    GroupedReportWindow(const QString &cnstr, const QString &formatName, const QString &title,
                        const QStringList &criteria, int selected, bool queryDayLimit,
                        QWidget *parent);

    // Called once the subclass has added its filters: Enter walks the fields given, and
    // Enter in the last runs the report.
    void finishLayout(std::initializer_list<QWidget *> fields);
    virtual GroupedReport::Design design() const = 0;
    QStringList titleLines() const override;
    QStringList footerLines() const override { return {}; }

private:
    bool m_queryDayLimit;
};

#pragma once

#include "ui/reports/ReportWindow.h"

class QLineEdit;
class QPushButton;

// What the back-office lists share: an optional search box above the grid, "新增(F2)" and
// "关闭(&C)", Enter or a double click on a line to change it, disabled records struck out,
// the counter font. Each record's key sits in the hidden column "FID".
class BaseDataList : public ReportWindow
{
    Q_OBJECT
public:
    QLineEdit *txtSearch = nullptr; // only on lists that search
    QPushButton *cmdNew;

    // Each reports a failure through the shared prompt and keeps the window as it was.
    virtual void refresh() = 0;
    virtual void newRecord() = 0;
    virtual void editRecord() = 0;

    // The key of the current line; 0 when no line is current.
    int currentId() const;
    void selectId(int id); // the first line when no line has that key

protected:
    BaseDataList(const QString &formatName, const QString &title, const QString &gridName,
                 bool withSearch, QWidget *parent);

    // Adds the close button last and the font; the subclass calls it after its own buttons.
    void finishButtons();
    // Strikes a line's text out, for a disabled record.
    void strikeOut(int row);
    // Enter in the search box, before the focus goes down to the lines.
    virtual void searchEntered() {}
    // A refusal for the operator when no line is chosen; false then.
    bool haveCurrent();

    bool eventFilter(QObject *watched, QEvent *event) override;
};

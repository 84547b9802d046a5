#pragma once

#include <functional>

#include <QColor>
#include <QDialog>
#include <QStringList>
#include <tuple>

#include "core/reports/ReportTable.h"

class KeyedGrid;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// What every list and report window shares: a title caption, a row of buttons, a filter area,
// the grid painted row kind by row kind, print with title and footer lines, page set-up,
// export, and column widths stored under the window's format name. The subclass names its own
// controls, creates its buttons and connects them. It works shown modally (DialogRunner) and
// as the main window's modeless single instance alike.
class ReportWindow : public QDialog
{
    Q_OBJECT
public:
    QString formatName() const { return m_formatName; }
    QString title() const { return m_title; }
    KeyedGrid *grid() const { return m_grid; }
    QLabel *caption() const { return m_caption; }

    // Each reports a failure through showError and leaves the screen as it was.
    void printGrid();
    void exportGrid();
    void pageSetup();

    // Column widths the operator dragged are stored a moment after the drag, when the
    // window closes, and when it goes with the program still open.
    void done(int result) override;
    ~ReportWindow() override;

protected:
    ReportWindow(const QString &cnstr, const QString &formatName, const QString &title,
                 const QString &gridName, QWidget *parent = nullptr);

    QString cnstr() const { return m_cnstr; }
    QString userName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; } // the session's, by default

    // A date picker as every list and report shows it, on the station's date until the
    // window sets another.
    static QDateEdit *datePicker(const QString &name, QWidget *parent);
    // A button at the end of the button row, not a default button (Enter belongs to the fields).
    QPushButton *addButton(const QString &name, const QString &caption);
    // The row the subclass puts its filter controls in, left to right.
    QHBoxLayout *filterArea() const { return m_filters; }
    // The filters the lists share, each put at the end of the filter row after its caption:
    // the card box "txtVipNo", and the two date pickers of a range.
    QLineEdit *addCardFilter(const QString &caption);
    std::pair<QDateEdit *, QDateEdit *> addDateFilter(const QString &fromCaption,
                                                      const QString &fromName,
                                                      const QString &toCaption,
                                                      const QString &toName);
    // The count of bills at the far end of the filter row, "共0单" before the first refresh.
    QLabel *addCountLabel();
    // The strip of the bill lists: "会员卡号：" and the card box, the range "dtpFromDate" to
    // "dtpToDate" after its caption, the count at the far end.
    std::tuple<QLineEdit *, QDateEdit *, QDateEdit *, QLabel *>
    addBillListFilters(const QString &dateCaption, const QString &separator);
    // The lists' last buttons, connected: "打印", "页面设置" and "关闭".
    std::tuple<QPushButton *, QPushButton *, QPushButton *> addListButtons();
    // The lists' total row, on a light blue.
    void setListTotalStyle();

    // The grid's columns, then the widths stored under the format name.
    void setColumns(const QList<GridSnapshot::Column> &columns);
    // How rows of a kind are painted; an invalid colour leaves the background alone.
    void setKindStyle(ReportRow::Kind kind, const QColor &back, bool bold);
    // Replaces the grid's lines with the table's rows, cells matched to columns by key.
    void fill(const ReportTable &table);
    // Every refresh starts here: the last result goes before anything is asked of the
    // database, so a refresh that fails leaves nothing of it under the new dates to read or
    // print. The subclass empties its own count and keys as well.
    void clearResult();

    // The query-day limit on two pickers: refused with its message and both set to the
    // server's date. Returns whether they were reset (the query goes on either way).
    bool applyQueryDayLimit(QDateEdit *from, QDateEdit *to);
    // Runs a query under the wait cursor; a failure is shown and false returned.
    bool runQuery(const std::function<void()> &query);

    // A column the operator drags narrower than this many pixels is hidden (width 0);
    // 0, the default, never hides.
    void setHideNarrowerThan(int pixels) { m_hideBelow = pixels; }

    // What the print and page set-up put around the grid; the subclass says its own.
    virtual QStringList titleLines() const { return {m_title}; }
    virtual QStringList footerLines() const; // "制表：" + operator, "打印时间：" + date and time
    virtual int pageSetColumns() const;      // the grid's column count

private:
    struct KindStyle
    {
        QColor back;
        bool bold = false;
    };
    void paintRow(int row, const KindStyle &style);
    // Stores the widths if they changed; false (and still changed) when that failed.
    bool storeWidths(bool showFailure);

    QString m_cnstr;
    QString m_formatName;
    QString m_title;
    QString m_userName;
    KeyedGrid *m_grid;
    QLabel *m_caption;
    QHBoxLayout *m_buttons;
    QHBoxLayout *m_filters;
    KindStyle m_styles[3];
    int m_hideBelow = 0;
    bool m_widthsChanged = false;
    QTimer *m_widthTimer;
};

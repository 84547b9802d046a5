#pragma once

#include <QColor>
#include <QList>
#include <QTableWidget>

#include "core/base/Money.h"

// The grid every screen uses. Columns are addressed by key (matched without regard to case),
// never by position. Rows are counted the way the counter's screens count them: row 0 is the
// header row, lines are rows 1 to rows() - 1, so rows() == 1 means "header only".
class KeyedGrid : public QTableWidget
{
    Q_OBJECT
public:
    struct Column
    {
        QString key;
        QString header;
        int width = 80;
        bool hidden = false;
        Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    };

    explicit KeyedGrid(QWidget *parent = nullptr);

    void setColumns(const QList<Column> &columns);
    int cols() const { return columnCount(); }
    int colIndex(const QString &key) const; // -1 when no column has the key
    QString colKey(int col) const;
    QString header(const QString &key) const;

    int rows() const { return rowCount() + 1; }
    void setRows(int rows); // 1 clears every line
    int addRow();           // appends an empty line; returns its row number
    void removeGridRow(int row);

    QString text(int row, const QString &key) const;
    void setText(int row, const QString &key, const QString &text);
    // The numeric value of a cell: leading-number parse, an empty cell reads 0.
    double value(int row, const QString &key) const;

    int currentGridRow() const; // 0 when no line is current
    void setCurrentGridRow(int row);

    // A column shows when it is not hidden and its width is above 0. Hiding keeps the width,
    // so a hidden column comes back as wide as it was, and widths applied from a stored
    // format never bring back a column the screen hid.
    void setColHidden(const QString &key, bool hidden);
    void setColWidth(const QString &key, int width); // 0 makes it invisible
    int colWidth(const QString &key) const;          // the width it has when shown
    void setGridRowHeight(int row, int height);

    // Back colour of every cell of a line.
    void setRowBackColor(int row, const QColor &color);
    QColor backColor(int row, const QString &key) const;

    // Editing is off by default; a column may allow it.
    void setColEditable(const QString &key, bool editable);
    // A "..." button in the column's cells; a click emits cellButtonClicked.
    void setColButton(const QString &key, bool button);
    bool hasColButton(const QString &key) const;

signals:
    void rowDoubleClicked(int row);
    void cellButtonClicked(int row, const QString &key);
    void afterColumnResized(const QString &key, int width); // by the operator only

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    QTableWidgetItem *itemAt(int row, int col, bool create);
    int checkedCol(const QString &key) const; // throws CoreError naming the key when absent
    void applyColumn(int col); // shows or hides, and sizes, without reporting a resize
    QList<bool> m_editable;
    QList<bool> m_button;
    QList<bool> m_hidden;
    QList<int> m_widths;
    bool m_resizingFromCode = false;
};

#pragma once

#include <memory>

#include <QString>
#include <QStringList>

// Reads the first sheet of a spreadsheet file row by row, never the whole file at once: CSV in
// UTF-8 (with or without byte-order mark) or GB18030, and XLSX. Every cell comes as text: a
// number as written without exponent (codes keep their digits), a date-formatted number as
// "yyyy-MM-dd", a formula as its cached value. Empty rows are skipped.
class SheetReader
{
public:
    struct Row
    {
        int number = 0; // the row's number in the sheet, 1 for the first
        QStringList cells;
    };

    // Opens `path`; a file that is neither kind is refused with "文件不是电子表格（XLSX 或 CSV）".
    explicit SheetReader(const QString &path);
    ~SheetReader();
    SheetReader(const SheetReader &) = delete;
    SheetReader &operator=(const SheetReader &) = delete;

    // The next row that holds anything; false at the end. A damaged file is refused.
    bool next(Row &row);
    // How far the reading has come, in bytes of the file (or of the sheet inside it).
    qint64 done() const;
    qint64 total() const;
    // Whether the sheet merges cells: known once every row has been read.
    bool hasMergedCells() const;

    static QString notASpreadsheet();

    class Source;

private:
    std::unique_ptr<Source> m_source;
};

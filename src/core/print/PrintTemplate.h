#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class RecordSet;

// A print template of our own: the paper (a receipt roll 58 or 80 mm wide, or a page size)
// and lines in three sections. Header and footer lines are filled from the first record,
// band lines are repeated once per record. A line holds one or more cells side by side;
// a cell's text may name fields as {FName} or {FDate:yyyy-MM-dd} / {FGetCash:0.00}.
// Stored as JSON text in TDBill.FTemplate.
class PrintTemplate
{
public:
    enum class Section { Header, Band, Footer };
    enum class Align { Left, Center, Right };

    struct Cell
    {
        QString text;
        int width = 100; // share of the line, in percent
        Align align = Align::Left;
    };
    struct Line
    {
        Section section = Section::Header;
        QList<Cell> cells;
        double size = 9; // points
        bool bold = false;
        // Printed only when this field's text is neither empty nor 0; "!F" inverts it.
        QString when;
        bool isRule() const { return cells.size() == 1 && cells.first().text == QStringLiteral("-"); }
    };

    QString paper = QStringLiteral("80"); // "58", "80" (mm rolls) or "A4", "A5", "B5"
    bool landscape = false;
    double margin = 3; // mm on every side
    QList<Line> lines;

    bool isRoll() const;
    double rollWidthMm() const; // 0 for page sizes

    QString toJson() const;
    // Throws CoreError naming what is wrong.
    static PrintTemplate fromJson(const QString &json);

    // The lines as printed for this data: header and footer lines once (from the first
    // record), band lines once per record, lines whose condition fails left out.
    struct Filled
    {
        Line line;
        QStringList texts; // one per cell
    };
    QList<Filled> fill(const RecordSet &data) const;

    // Expands {Field} and {Field:format} against one record of the data. Unknown fields
    // print as nothing; a lone brace stays as typed.
    static QString expand(const QString &text, const RecordSet &data, int record);
    // Whether a line with this condition prints for the record.
    static bool holds(const QString &when, const RecordSet &data, int record);

    // The compact text form the designer edits: cells separated by "|", widths as
    // "46,14,20,20" (missing ones share the rest), alignments as "LRRR".
    static Line makeLine(Section section, const QString &cells, const QString &widths = QString(),
                         const QString &aligns = QString(), double size = 9, bool bold = false,
                         const QString &when = QString());
    static QString cellsText(const Line &line);
    static QString widthsText(const Line &line);
    static QString alignsText(const Line &line);

    static const QStringList &papers();

private:
    static QString sectionName(Section s);
    static QString alignCode(Align a); // "L", "C", "R"
    static Align alignFromCode(const QString &code);
};

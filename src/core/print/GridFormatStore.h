#pragma once

#include <QList>
#include <QString>

// Page set-up and column widths of list and report grids, stored under the screen's format
// name in the shop database so every station of the shop prints and shows them alike.
class GridFormatStore
{
public:
    struct PageSetup
    {
        QString paper = QStringLiteral("A4"); // A4, A5, B5, Letter
        bool landscape = false;
        double left = 15, top = 15, right = 15, bottom = 15; // mm
        bool operator==(const PageSetup &) const = default;
    };
    struct Width
    {
        QString key;
        int width = 0; // 0: the column is hidden
        bool operator==(const Width &) const = default;
    };

    static PageSetup pageSetup(const QString &cnstr, const QString &formatName); // defaults when none
    static void savePageSetup(const QString &cnstr, const QString &formatName, const PageSetup &setup);

    static QList<Width> widths(const QString &cnstr, const QString &formatName);
    // Replaces the stored widths of the format name, in one transaction.
    static void saveWidths(const QString &cnstr, const QString &formatName, const QList<Width> &widths);

    static const QStringList &papers();
};

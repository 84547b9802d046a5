#pragma once

#include <QString>

// How the counter reads and writes numbers in text boxes and grid cells.
class NumberText
{
public:
    // Leading-number parse: "3.5kg" -> 3.5, "  12" -> 12, "-1" -> -1, "abc" or "" -> 0.
    static double val(const QString &text);
    // "0.00": two decimals, no grouping.
    static QString money(double value);
    // The plain form of a number: 12 -> "12", 2.5 -> "2.5", no trailing zeros.
    static QString plain(double value);
    // Round half to even, as the counter rounds quantities.
    static long long roundHalfEven(double value);
};

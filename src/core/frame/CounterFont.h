#pragma once

#include <QString>

// The font size of the counter screens (sale, order, recharge and their dialogs), read at arm's
// length: the station setting KwStore / Pos.Default / CounterFontSize in points, or two points
// above the desktop's size when it is not set (or is not a sensible size).
class CounterFont
{
public:
    static double pointSize(double desktopPointSize);
    // The rule itself, for a setting's text.
    static double pointSize(const QString &setting, double desktopPointSize);
};

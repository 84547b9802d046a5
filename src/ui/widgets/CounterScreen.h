#pragma once

class QFont;
class QWidget;

// The look of a counter screen (sale, order, recharge) and its dialogs.
class CounterScreen
{
public:
    // The station's counter font (CounterFont) on the window and everything in it that does not
    // set a font of its own; grid rows grow with it.
    static void applyFont(QWidget &window);
    // The font amounts to pay stand out in: the window's own, larger and bold.
    static QFont totalFont(const QWidget &window);
};

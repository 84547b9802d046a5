#pragma once

class QFont;
class QGridLayout;
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
    // The member's card, holder, phone and identity number with their captions, two to a row
    // in the grid's first two rows, as the order and recharge screens show them.
    static void placeMember(QGridLayout *grid, QWidget *card, QWidget *owner, QWidget *phone,
                            QWidget *id);
};

#pragma once

#include <QObject>

#include "core/pos/ItemLookup.h"

class QComboBox;
class QLineEdit;
class QWidget;

// The item a code box found, shown in its name and price boxes: the sale and order screens'
// line entry and the exchange dialog's new item. A failed lookup, a database error included,
// clears the item, the name and the price, so nothing of an earlier item is left to be rung
// up, ordered or exchanged. The helper belongs to the screen that made it.
class ItemEntry : public QObject
{
public:
    // What an item found without a price of its own does to the price box.
    enum class NoPrice {
        KeepShown,     // the cashier types the price: the box keeps its text
        ClearAndRefuse // the box is emptied and no item is taken
    };

    ItemEntry(QWidget *screen, QLineEdit *code, QComboBox *name, QLineEdit *price,
              ItemLookup::Codes codes, NoPrice noPrice);

    // Looks up the code box's text. A code that finds nothing is cleared from the box; a
    // database error is shown to the operator.
    void lookUp();
    void clear();
    // An item the screen found another way, chosen by its name: taken as a code would be.
    void take(int itemId);
    // The name was typed over: the item found last is no longer the one shown.
    void forget();

    int itemId() const { return m_itemId; }
    int exchange() const { return m_exchange; }

private:
    QWidget *m_screen;
    QLineEdit *m_code;
    QComboBox *m_name;
    QLineEdit *m_price;
    ItemLookup::Codes m_codes;
    NoPrice m_noPrice;
    int m_itemId = 0;
    int m_exchange = 1;
};

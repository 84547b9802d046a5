#include "ui/widgets/ItemEntry.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/base/CoreError.h"
#include "core/base/Money.h"
#include "core/frame/Routines.h"
#include "core/frame/Session.h"
#include "ui/widgets/ErrorPrompt.h"

ItemEntry::ItemEntry(QWidget *screen, QLineEdit *code, QComboBox *name, QLineEdit *price,
                     ItemLookup::Codes codes, NoPrice noPrice)
    : QObject(screen), m_screen(screen), m_code(code), m_name(name), m_price(price),
      m_codes(codes), m_noPrice(noPrice)
{
}

void ItemEntry::lookUp()
{
    ItemMatch m;
    try {
        m = ItemLookup::find(GetCnstr(), m_code->text(), Session::current().RetailPriceStyleID,
                             m_codes);
    } catch (const CoreError &e) {
        clear();
        showError(e, m_screen);
        return;
    }
    if (!m.found) {
        m_code->clear();
        clear();
        return;
    }
    // An item without a price stays shown, so the operator sees what the code found.
    m_name->setCurrentText(m.name);
    if (m.hasPrice) {
        m_price->setText(m.price.format());
    } else if (m_noPrice == NoPrice::ClearAndRefuse) {
        m_price->clear();
        m_itemId = 0;
        m_exchange = 1;
        return;
    }
    m_itemId = m.itemId;
    m_exchange = m.exchange;
}

void ItemEntry::clear()
{
    m_itemId = 0;
    m_exchange = 1;
    m_name->setCurrentText(QString());
    m_price->clear();
}

void ItemEntry::take(int itemId)
{
    m_itemId = itemId;
    m_exchange = 1;
}

void ItemEntry::forget()
{
    m_itemId = 0;
    m_exchange = 1;
}

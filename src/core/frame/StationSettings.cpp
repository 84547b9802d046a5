#include "core/frame/StationSettings.h"

#include "core/frame/KwStore.h"
#include "core/base/NumberText.h"

namespace {

const QString Store = QStringLiteral("KwStore");
const QString PosDefault = QStringLiteral("Pos.Default");
const QString DefaultValue = QStringLiteral("DefaultValue");
const QString PrintPortKey = QStringLiteral("PrintPort");
const QString DefaultPort = QStringLiteral("LPT1");
const QString DefaultEncoding = QStringLiteral("GB18030");

QString get(const QString &section, const QString &key, const QString &defaultValue = QString())
{
    return KwStore::get(Store, section, key, defaultValue);
}

void set(const QString &section, const QString &key, const QString &value)
{
    KwStore::set(Store, section, key, value);
}

} // namespace

QString StationSettings::printPort()
{
    return get(PosDefault, PrintPortKey, DefaultPort);
}

void StationSettings::setPrintPort(const QString &port)
{
    set(PosDefault, PrintPortKey, port);
}

QString StationSettings::detailPrintPort()
{
    return get(DefaultValue, PrintPortKey, DefaultPort);
}

void StationSettings::setDetailPrintPort(const QString &port)
{
    set(DefaultValue, PrintPortKey, port);
}

bool StationSettings::useMoneyBox()
{
    // Read as a number, so a hand-edited "1.0" still means a drawer.
    return NumberText::val(get(PosDefault, QStringLiteral("UseMoneyBox"), QStringLiteral("0"))) ==
           1.0;
}

void StationSettings::setUseMoneyBox(bool use)
{
    set(PosDefault, QStringLiteral("UseMoneyBox"), use ? QStringLiteral("1") : QStringLiteral("0"));
}

bool StationSettings::scanAddsLine()
{
    return NumberText::val(get(PosDefault, QStringLiteral("ScanAddsLine"), QStringLiteral("0"))) ==
           1.0;
}

void StationSettings::setScanAddsLine(bool on)
{
    set(PosDefault, QStringLiteral("ScanAddsLine"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

int StationSettings::qtyAskAbove()
{
    bool ok = false;
    const int qty = get(PosDefault, QStringLiteral("QtyAskAbove")).trimmed().toInt(&ok);
    return ok && qty > 0 ? qty : 99;
}

void StationSettings::setQtyAskAbove(int qty)
{
    set(PosDefault, QStringLiteral("QtyAskAbove"), QString::number(qty));
}

int StationSettings::comBaudRate()
{
    const int baud = get(PosDefault, QStringLiteral("ComBaudRate")).trimmed().toInt();
    return baud > 0 ? baud : 9600;
}

void StationSettings::setComBaudRate(int baud)
{
    set(PosDefault, QStringLiteral("ComBaudRate"), QString::number(baud));
}

QString StationSettings::portEncoding()
{
    const QString encoding = get(PosDefault, QStringLiteral("PortEncoding")).trimmed();
    return encoding.isEmpty() ? DefaultEncoding : encoding;
}

void StationSettings::setPortEncoding(const QString &encoding)
{
    set(PosDefault, QStringLiteral("PortEncoding"), encoding);
}

QString StationSettings::receiptPrinter()
{
    return get(PosDefault, QStringLiteral("ReceiptPrinter")).trimmed();
}

void StationSettings::setReceiptPrinter(const QString &printer)
{
    set(PosDefault, QStringLiteral("ReceiptPrinter"), printer);
}

QString StationSettings::saleStock()
{
    return get(DefaultValue, QStringLiteral("frmSaleBill.Stock"), QStringLiteral("店面"));
}

void StationSettings::setSaleStock(const QString &stock)
{
    set(DefaultValue, QStringLiteral("frmSaleBill.Stock"), stock);
}

QString StationSettings::mappedPort(const QString &portName)
{
    return get(QStringLiteral("Ports"), portName.trimmed());
}

void StationSettings::setMappedPort(const QString &portName, const QString &device)
{
    set(QStringLiteral("Ports"), portName.trimmed(), device);
}

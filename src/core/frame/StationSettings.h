#pragma once

#include <QString>

// The station's settings, typed, over the settings store (application "KwStore"): every key
// is spelled here and nowhere else. Setters write through and throw CoreError, naming the
// file, when the store cannot be written.
class StationSettings
{
public:
    // "Pos.Default"/PrintPort: the receipt printer's port, which also opens the cash drawer
    // (default "LPT1"; an empty text means no port chosen).
    static QString printPort();
    static void setPrintPort(const QString &port);

    // "DefaultValue"/PrintPort: the hand-out detail's own port. The same key name in another
    // section is a second, independent setting; the two are never read for each other.
    static QString detailPrintPort();
    static void setDetailPrintPort(const QString &port);

    // "Pos.Default"/UseMoneyBox: "1" when a cash drawer is attached.
    static bool useMoneyBox();
    static void setUseMoneyBox(bool use);

    // "Pos.Default"/ComBaudRate: the serial printer's speed, 9600 when absent or not a speed.
    static int comBaudRate();
    static void setComBaudRate(int baud);

    // "Pos.Default"/PortEncoding: the text encoding port printers read, GB18030 when absent.
    static QString portEncoding();
    static void setPortEncoding(const QString &encoding);

    // "Pos.Default"/ReceiptPrinter: the system printer for template receipts; empty for the
    // default printer.
    static QString receiptPrinter();
    static void setReceiptPrinter(const QString &printer);

    // "Pos.Default"/ScanAddsLine ("扫码直接加入"): Enter in the sale screen's code box adds
    // the found item at once and stays for the next scan. Off by default.
    static bool scanAddsLine();
    static void setScanAddsLine(bool on);

    // "Pos.Default"/QtyAskAbove: a sale quantity above this is asked about, since it is more
    // likely a code scanned into the quantity box (default 99).
    static int qtyAskAbove();
    static void setQtyAskAbove(int qty);

    // "DefaultValue"/frmSaleBill.Stock: the sale screen's warehouse (default "店面").
    static QString saleStock();
    static void setSaleStock(const QString &stock);

    // Section "Ports": a port name ("LPT1", "Com2") mapped to a device path; empty when the
    // station keeps the usual map.
    static QString mappedPort(const QString &portName);
    static void setMappedPort(const QString &portName, const QString &device);
};

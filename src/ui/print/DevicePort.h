#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The station's printer and serial ports, opened by name as output files: "LPTn" is the
// n-th parallel/USB printer, "Comn" the n-th serial port, an absolute path is used as it is.
// A station may map a port name to another device (KwStore section "Ports", key the port
// name, e.g. LPT1=/dev/usb/lp1). Serial devices are opened through QSerialPort.
// A port that cannot be opened throws CoreError with a text naming the port.
class DevicePort
{
public:
    static QString devicePath(const QString &portName);
    static void writeBytes(const QString &portName, const QByteArray &bytes);
    // The same, but a port that has not taken the bytes within `timeoutMs` throws CoreError
    // ("端口…没有响应") instead of holding the caller: the write goes on on a thread of its own.
    static void writeBytesWithin(const QString &portName, const QByteArray &bytes, int timeoutMs);
    // Text lines for receipt printers, each ended by CR LF, encoded for the printer
    // (GB18030 unless the station's settings name another encoding).
    static void writeLines(const QString &portName, const QStringList &lines);
    // Text in the station's printer encoding: KwStore "Pos.Default" key "PortEncoding",
    // GB18030 when absent; an encoding this system cannot write throws CoreError.
    static QByteArray encode(const QString &text);

    // The ESC/POS drawer pulse, ESC p 0 60 255.
    static QByteArray drawerPulse();
    // Opens the cash drawer when the station uses one (KwStore "Pos.Default": UseMoneyBox
    // read as a number equals 1), on the port named by PrintPort (default "LPT1"). Called
    // after a bill is saved: a stalled port is a drawer failure within `timeoutMs`, never a
    // frozen counter.
    static constexpr int DrawerTimeoutMs = 3000;
    static void openCashDrawer(int timeoutMs = DrawerTimeoutMs);
};

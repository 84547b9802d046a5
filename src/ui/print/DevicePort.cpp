#include "ui/print/DevicePort.h"

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStringEncoder>

#include "core/frame/StationSettings.h"
#include "core/base/CoreError.h"

QString DevicePort::devicePath(const QString &portName)
{
    const QString name = portName.trimmed();
    if (name.isEmpty())
        throw CoreError(QStringLiteral("未设置打印机端口"));
    if (QFileInfo(name).isAbsolute())
        return name;
    const QString mapped = StationSettings::mappedPort(name);
    if (!mapped.isEmpty())
        return mapped;
    static const QRegularExpression re(QStringLiteral("^(lpt|com)([1-9]\\d*)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(name);
    if (!m.hasMatch())
        throw CoreError(QStringLiteral("无法识别的端口“%1”").arg(name));
#ifdef Q_OS_WIN
    // Windows opens the ports by their own names.
    return QStringLiteral("\\\\.\\") + name.toUpper();
#else
    const int n = m.captured(2).toInt() - 1;
    if (m.captured(1).compare(QStringLiteral("lpt"), Qt::CaseInsensitive) == 0) {
        const QString usb = QStringLiteral("/dev/usb/lp%1").arg(n);
        return QFile::exists(usb) ? usb : QStringLiteral("/dev/lp%1").arg(n);
    }
    return QStringLiteral("/dev/ttyS%1").arg(n);
#endif
}

namespace {

bool isSerial(const QString &portName, const QString &path)
{
    static const QRegularExpression com(QStringLiteral("^com\\d+$"), QRegularExpression::CaseInsensitiveOption);
    return path.startsWith(QStringLiteral("/dev/tty")) || com.match(path).hasMatch() ||
           (com.match(portName.trimmed()).hasMatch() && !QFileInfo(path).isFile());
}

} // namespace

namespace {

// Where a write goes, worked out on the caller's thread (the station's settings are read
// there), so that the write itself may run on any thread.
struct PortTarget
{
    QString portName;
    QString path;
    bool serial = false;
    qint32 baudRate = 9600;
};

PortTarget targetOf(const QString &portName)
{
    PortTarget t;
    t.portName = portName;
    t.path = DevicePort::devicePath(portName);
    t.serial = isSerial(portName, t.path);
    // Receipt printers and drawers on serial lines run at 9600 8N1 unless the station says
    // otherwise.
    if (t.serial)
        t.baudRate = StationSettings::comBaudRate();
    return t;
}

void writeTo(const PortTarget &t, const QByteArray &bytes)
{
    if (t.serial) {
        QSerialPort port(t.path);
        port.setBaudRate(t.baudRate);
        if (!port.open(QIODevice::WriteOnly))
            throw CoreError(QStringLiteral("无法打开端口“%1”（%2）：%3")
                                  .arg(t.portName, t.path, port.errorString()));
        if (port.write(bytes) != bytes.size() || !port.waitForBytesWritten(3000))
            throw CoreError(
                QStringLiteral("写端口“%1”失败：%2").arg(t.portName, port.errorString()));
        return;
    }
    QFile f(t.path);
    // Append: a file standing in for a printer collects everything sent to it, as paper would.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw CoreError(
            QStringLiteral("无法打开端口“%1”（%2）：%3").arg(t.portName, t.path, f.errorString()));
    if (f.write(bytes) != bytes.size())
        throw CoreError(QStringLiteral("写端口“%1”失败：%2").arg(t.portName, f.errorString()));
}

} // namespace

void DevicePort::writeBytes(const QString &portName, const QByteArray &bytes)
{
    writeTo(targetOf(portName), bytes);
}

void DevicePort::writeBytesWithin(const QString &portName, const QByteArray &bytes, int timeoutMs)
{
    const PortTarget target = targetOf(portName);
    // A printer that is off, out of paper or jammed can hold an open or a write for ever. The
    // write runs on a thread of its own; one that does not finish in time is left to finish
    // (or hang) there, and the caller is told the port did not answer.
    auto outcome = std::make_shared<std::promise<void>>();
    std::future<void> done = outcome->get_future();
    std::thread([target, bytes, outcome] {
        try {
            writeTo(target, bytes);
            outcome->set_value();
        } catch (...) {
            outcome->set_exception(std::current_exception());
        }
    }).detach();
    if (done.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
        throw CoreError(QStringLiteral("端口“%1”在 %2 秒内没有响应")
                              .arg(portName)
                              .arg(QString::number(timeoutMs / 1000.0)));
    done.get(); // the write's own failure, if it failed
}

QByteArray DevicePort::encode(const QString &text)
{
    const QString encoding = StationSettings::portEncoding();
    const QByteArray name = encoding.toLatin1();
    QStringEncoder enc(name.constData());
    if (!enc.isValid())
        throw CoreError(QStringLiteral("打印机编码“%1”无法识别").arg(encoding));
    return enc.encode(text);
}

void DevicePort::writeLines(const QString &portName, const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QStringLiteral("\r\n");
    writeBytes(portName, encode(text));
}

QByteArray DevicePort::drawerPulse()
{
    return QByteArray("\x1b\x70\x00\x3c\xff", 5);
}

void DevicePort::openCashDrawer(int timeoutMs)
{
    if (!StationSettings::useMoneyBox())
        return;
    try {
        writeBytesWithin(StationSettings::printPort(), drawerPulse(), timeoutMs);
    } catch (const CoreError &e) {
        // Said after a save too: the cashier must know it is the drawer, not the bill.
        throw CoreError(QStringLiteral("打开钱箱失败：") + e.message());
    }
}

#include "ui/print/DevicePort.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStringEncoder>

#include "core/frame/StationSettings.h"
#include "core/db/DbError.h"

QString DevicePort::devicePath(const QString &portName)
{
    const QString name = portName.trimmed();
    if (name.isEmpty())
        throw db::DbError(QStringLiteral("未设置打印机端口"));
    if (QFileInfo(name).isAbsolute())
        return name;
    const QString mapped = StationSettings::mappedPort(name);
    if (!mapped.isEmpty())
        return mapped;
    static const QRegularExpression re(QStringLiteral("^(lpt|com)([1-9]\\d*)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(name);
    if (!m.hasMatch())
        throw db::DbError(QStringLiteral("无法识别的端口“%1”").arg(name));
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

void DevicePort::writeBytes(const QString &portName, const QByteArray &bytes)
{
    const QString path = devicePath(portName);
    if (isSerial(portName, path)) {
        QSerialPort port(path);
        // Receipt printers and drawers on serial lines run at 9600 8N1 unless the station
        // says otherwise.
        port.setBaudRate(StationSettings::comBaudRate());
        if (!port.open(QIODevice::WriteOnly))
            throw db::DbError(QStringLiteral("无法打开端口“%1”（%2）：%3").arg(portName, path, port.errorString()));
        if (port.write(bytes) != bytes.size() || !port.waitForBytesWritten(3000))
            throw db::DbError(QStringLiteral("写端口“%1”失败：%2").arg(portName, port.errorString()));
        return;
    }
    QFile f(path);
    // Append: a file standing in for a printer collects everything sent to it, as paper would.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw db::DbError(QStringLiteral("无法打开端口“%1”（%2）：%3").arg(portName, path, f.errorString()));
    if (f.write(bytes) != bytes.size())
        throw db::DbError(QStringLiteral("写端口“%1”失败：%2").arg(portName, f.errorString()));
}

QByteArray DevicePort::encode(const QString &text)
{
    const QString encoding = StationSettings::portEncoding();
    const QByteArray name = encoding.toLatin1();
    QStringEncoder enc(name.constData());
    if (!enc.isValid())
        throw db::DbError(QStringLiteral("打印机编码“%1”无法识别").arg(encoding));
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

void DevicePort::openCashDrawer()
{
    if (!StationSettings::useMoneyBox())
        return;
    try {
        writeBytes(StationSettings::printPort(), drawerPulse());
    } catch (const db::DbError &e) {
        // Said after a save too: the cashier must know it is the drawer, not the bill.
        throw db::DbError(QStringLiteral("打开钱箱失败：") + e.message());
    }
}

#include "Journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <QFile>
#include <QMap>

namespace {

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

} // namespace

bool Journal::Entry::mayHaveHappened() const
{
    return outcome == Outcome::Done || outcome == Outcome::InFlight ||
           (outcome == Outcome::Failed && isConnectionLoss(message));
}

bool Journal::isConnectionLoss(const QString &message)
{
    static const char *const kSigns[] = {"terminating connection",
                                         "server closed the connection",
                                         "connection to server",
                                         "no connection to the server",
                                         "could not connect",
                                         "Connection refused",
                                         "the database system is shutting down",
                                         "the database system is starting up",
                                         "connection not open",
                                         "Driver not loaded",
                                         "could not send data",
                                         "could not receive data",
                                         "SSL SYSCALL",
                                         "EOF detected"};
    for (const char *sign : kSigns)
        if (message.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    return false;
}

Journal::Journal(const QString &path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (m_fd < 0)
        throw std::runtime_error(std::string("cannot open journal: ") + std::strerror(errno));
    // A station killed in the middle of a write leaves a torn line: start on a fresh one.
    QFile f(path);
    if (f.open(QIODevice::ReadOnly) && f.size() > 0) {
        f.seek(f.size() - 1);
        if (f.read(1) != "\n")
            write(QString());
    }
}

Journal::~Journal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void Journal::write(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::runtime_error(std::string("cannot write journal: ") + std::strerror(errno));
        p += n;
        left -= n;
    }
    ::fdatasync(m_fd);
}

void Journal::begin(int id, const QString &kind, const QStringList &key)
{
    write(QStringLiteral("begin %1 %2 %3").arg(id).arg(kind, key.join(QLatin1Char(' '))));
}

void Journal::done(int id, const QString &number)
{
    write(
        QStringLiteral("done %1 %2").arg(id).arg(number.isEmpty() ? QStringLiteral("-") : number));
}

void Journal::refused(int id, const QString &message)
{
    write(QStringLiteral("refused %1 %2").arg(id).arg(oneLine(message)));
}

void Journal::failed(int id, const QString &message)
{
    write(QStringLiteral("failed %1 %2").arg(id).arg(oneLine(message)));
}

QList<Journal::Entry> Journal::read(const QString &path, int station)
{
    QMap<int, Entry> byId;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() < 2)
            continue;
        bool ok = false;
        const int id = words[1].toInt(&ok);
        if (!ok)
            continue;
        const QString rest = words.mid(2).join(QLatin1Char(' '));
        if (words[0] == u"begin" && words.size() >= 3) {
            Entry e;
            e.station = station;
            e.id = id;
            e.kind = words[2];
            e.key = words.mid(3);
            byId.insert(id, e);
        } else if (byId.contains(id)) {
            Entry &e = byId[id];
            if (words[0] == u"done") {
                e.outcome = Outcome::Done;
                e.number = words.value(2);
            } else if (words[0] == u"refused") {
                e.outcome = Outcome::Refused;
                e.message = rest;
            } else if (words[0] == u"failed") {
                e.outcome = Outcome::Failed;
                e.message = rest;
            }
        }
    }
    return byId.values();
}

int Journal::begun(const QString &path)
{
    const QList<Entry> entries = read(path, 0);
    return entries.isEmpty() ? 0 : entries.last().id;
}

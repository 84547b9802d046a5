#include "Cases.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "Seed.h"
#include "Statements.h"

namespace bench {

int worker(const QString &cnstr, int seconds, int seed)
{
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    int n = 0;
    while (Clock::now() < end)
        saveOurs(cnstr, seed * 100000 + n++);
    std::printf("%d\n", n);
    return 0;
}

void stations(const QString &cnstr, const db::ConnectionString &admin, const QString &pgbin,
              int seconds)
{
    const int count = 4;
    QList<QProcess *> procs;
    const auto a = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto *p = new QProcess;
        p->start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--worker"), cnstr, QString::number(seconds), QString::number(i + 1)});
        procs << p;
    }
    int saved = 0;
    for (QProcess *p : procs) {
        p->waitForFinished(-1);
        if (p->exitCode() != 0)
            fail(QStringLiteral("station: ") + QString::fromUtf8(p->readAllStandardError()));
        saved += p->readAllStandardOutput().trimmed().toInt();
        delete p;
    }
    const double ours = saved / (micros(a, Clock::now()) / 1e6);
    // pgbench TPC-B on the same cluster, its own database.
    const QStringList conn{QStringLiteral("-h"),        admin.host,           QStringLiteral("-p"),
                           QString::number(admin.port), QStringLiteral("-U"), admin.user};
    QProcess::execute(pgbin + QStringLiteral("/psql"),
                      conn + QStringList{QStringLiteral("-q"), QStringLiteral("-d"), admin.database,
                                         QStringLiteral("-c"),
                                         QStringLiteral("create database kwpos_pgbench")});
    QProcess init;
    init.start(pgbin + QStringLiteral("/pgbench"),
               conn + QStringList{QStringLiteral("-i"), QStringLiteral("-q"), QStringLiteral("-s"),
                                  QString::number(count), QStringLiteral("kwpos_pgbench")});
    init.waitForFinished(-1);
    QProcess run;
    run.start(pgbin + QStringLiteral("/pgbench"),
              conn + QStringList{QStringLiteral("-n"), QStringLiteral("-c"), QString::number(count),
                                 QStringLiteral("-j"), QString::number(count), QStringLiteral("-T"),
                                 QString::number(seconds), QStringLiteral("kwpos_pgbench")});
    run.waitForFinished(-1);
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("tps = ([0-9.]+)")).match(out);
    const double tpcb = m.hasMatch() ? m.captured(1).toDouble() : 0;
    std::printf("%-34s %-10s ours %8.0f saves/s  pgbench TPC-B %8.0f tps  ratio %5.2f\n",
                "4 stations saving at once", "PostgreSQL", ours, tpcb,
                tpcb > 0 ? ours / tpcb : 0.0);
    std::fflush(stdout);
}

void startup(const QString &mainExe, int runs)
{
    if (!QFile::exists(mainExe)) {
        std::printf("%-34s skipped: %s not built\n", "start-up to main window",
                    qPrintable(mainExe));
        return;
    }
    QTemporaryDir home;
    qputenv("KWPOS_CONFIG_DIR", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("KWPOS_DATA_DIR", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("KWPOS_PASSWORD", "8888");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray exe = mainExe.toLocal8Bit();
    const QByteArray accountSet = QStringLiteral("演示帐套").toUtf8(),
                     user = QStringLiteral("店长").toUtf8();
    std::vector<double> times;
    long peakKb = 0;
    for (int i = 0; i <= runs; ++i) { // the first run creates the demo account set
        const auto a = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            execl(exe.constData(), exe.constData(), "--account", accountSet.constData(), "--user",
                  user.constData(), "--quit-after-start", static_cast<char *>(nullptr));
            _exit(127);
        }
        // The peak resident set as the kernel counts it in /proc, read while the program runs.
        long hwm = 0;
        int status = 0;
        rusage usage{};
        for (;;) {
            // Only once the program runs: before its exec the child is a copy of this process.
            const QString exePath = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
            QFile f(QStringLiteral("/proc/%1/status").arg(pid));
            if (exePath.endsWith(QStringLiteral("kwpos_main")) && f.open(QIODevice::ReadOnly)) {
                const QByteArray s = f.readAll();
                const int at = s.indexOf("VmHWM:");
                if (at >= 0)
                    hwm = std::max(hwm, s.mid(at + 6, s.indexOf('\n', at) - at - 6)
                                            .trimmed()
                                            .split(' ')
                                            .value(0)
                                            .toLong());
            }
            if (wait4(pid, &status, WNOHANG, &usage) == pid)
                break;
            QThread::usleep(500);
        }
        const auto b = Clock::now();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail(QStringLiteral("kwpos_main did not start (status %1)").arg(status));
        if (i > 0) {
            times.push_back(micros(a, b));
            peakKb = std::max(peakKb, hwm);
        }
    }
    std::printf("%-34s %-10s ours %10s  p99 %10s  resident memory %.1f MB\n",
                "start-up to main window", "SQLite", qPrintable(timeText(percentile(times, 0.5))),
                qPrintable(timeText(percentile(times, 0.99))), peakKb / 1024.0);
}

} // namespace bench

#include "core/frame/ServerPasswords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "core/base/StationPaths.h"
#include "core/base/CoreError.h"
#include "core/base/PrivateFiles.h"

namespace {

// The password file's fields escape ':' and '\' with a backslash.
QString field(const QString &v)
{
    QString e = v;
    e.replace(u'\\', QStringLiteral("\\\\")).replace(u':', QStringLiteral("\\:"));
    return e;
}

} // namespace

QString ServerPasswords::filePath()
{
    return StationPaths::serverPasswordFile();
}

void ServerPasswords::save(const db::ConnectionString &cs)
{
    if (cs.password.isEmpty())
        return;
    if (cs.password.contains(u'\n') || cs.password.contains(u'\r'))
        throw CoreError(QStringLiteral("密码不能包含换行。"));
    const QString path = filePath();
    const QString key = field(cs.host) + u':' + QString::number(cs.port) + u':' +
                        field(cs.database) + u':' + field(cs.user) + u':';
    QStringList lines;
    QFile in(path);
    if (in.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(in.readAll()).split(u'\n');
    in.close();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines.removeIf([&](const QString &l) { return l.startsWith(key); });
    // libpq takes the first line that matches: ours goes first.
    lines.prepend(key + field(cs.password));

    // Only a folder we make is ours to make owner-only (~/.pgpass lives in the home folder).
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        PrivateFiles::makeDir(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    const auto fail = [&] {
        return CoreError(QStringLiteral("服务器密码未保存：无法写入“%1”。")
                               .arg(QDir::toNativeSeparators(path)));
    };
    if (!out.open(QIODevice::WriteOnly))
        throw fail();
#ifdef Q_OS_UNIX
    // libpq ignores a password file others can read; the new file is owner-only before a
    // byte of it is written.
    ::fchmod(out.handle(), 0600);
#endif
    out.write((lines.join(u'\n') + u'\n').toUtf8());
    if (!out.commit())
        throw fail();
    PrivateFiles::protect(path);
}

#include "core/print/GridSnapshot.h"

#include <QRegularExpression>

bool GridSnapshot::numberAt(int line, int col, double *value) const
{
    if (col < 0 || col >= columns.size() || !columns[col].numeric || line < 0 || line >= lines.size())
        return false;
    static const QRegularExpression re(QStringLiteral("^-?(\\d{1,3}(,\\d{3})+|\\d+)(\\.\\d+)?$"));
    QString t = lines[line].cells.value(col).trimmed();
    if (!re.match(t).hasMatch())
        return false;
    t.remove(u',');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (ok && value)
        *value = v;
    return ok;
}

QString GridSnapshot::csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString q = text;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QByteArray GridSnapshot::toCsv() const
{
    QString out;
    QStringList row;
    for (const Column &c : columns)
        row << csvField(c.header);
    out += row.join(u',') + QStringLiteral("\r\n");
    for (const Line &l : lines) {
        row.clear();
        for (int c = 0; c < columns.size(); ++c)
            row << csvField(l.cells.value(c));
        out += row.join(u',') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

#include "core/base/NumberText.h"

#include <cmath>

double NumberText::val(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    QString digits;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        digits += t[i++];
    bool seenDigit = false, seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    bool ok = false;
    const double d = digits.toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0.0;
}

QString NumberText::money(double value)
{
    if (std::fabs(value) < 0.005)
        value = 0.0; // no "-0.00"
    return QString::number(value, 'f', 2);
}

QString NumberText::plain(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    QString s = QString::number(value, 'f', 6);
    while (s.endsWith(u'0'))
        s.chop(1);
    if (s.endsWith(u'.'))
        s.chop(1);
    return s;
}

long long NumberText::roundHalfEven(double value)
{
    return static_cast<long long>(std::nearbyint(value)); // default FE_TONEAREST: ties to even
}

#include "core/frame/CounterFont.h"

#include "core/frame/KwStore.h"

namespace {

constexpr double kStep = 2;
constexpr double kSmallest = 6;
constexpr double kLargest = 48;
// A desktop font given in pixels has no point size; Qt's usual default stands in.
constexpr double kUsualDesktop = 9;

} // namespace

double CounterFont::pointSize(const QString &setting, double desktopPointSize)
{
    bool ok = false;
    const double set = setting.trimmed().toDouble(&ok);
    if (ok && set >= kSmallest && set <= kLargest)
        return set;
    return (desktopPointSize > 0 ? desktopPointSize : kUsualDesktop) + kStep;
}

double CounterFont::pointSize(double desktopPointSize)
{
    return pointSize(KwStore::get(QStringLiteral("KwStore"), QStringLiteral("Pos.Default"),
                                  QStringLiteral("CounterFontSize")),
                     desktopPointSize);
}

#include "ui/widgets/RightGuard.h"

#include <QString>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/widgets/ErrorPrompt.h"

bool mayDo(QWidget *screen, const QString &right)
{
    bool allowed = false;
    if (!runShowingErrors(screen, [&] { allowed = HasGrant(right); }))
        return false;
    if (!allowed)
        Prompts::current().information(QStringLiteral("没有权限！"));
    return allowed;
}

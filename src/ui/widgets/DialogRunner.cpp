#include "ui/widgets/DialogRunner.h"

#include <QDialog>

#include "ui/widgets/WindowFit.h"

namespace {
DialogRunner::Script g_script;
}

int DialogRunner::exec(QDialog &dialog)
{
    WindowFit::apply(dialog);
    if (g_script) {
        // A copy: the script may install another script while it runs.
        Script script = g_script;
        const int result = script(dialog);
        if (dialog.isVisible())
            dialog.done(result);
        return result;
    }
    return dialog.exec();
}

void DialogRunner::setScript(Script script)
{
    g_script = std::move(script);
}

bool DialogRunner::scripted()
{
    return bool(g_script);
}

#include "core/frame/Prompts.h"

#include <QDebug>

namespace {

// Used before the program installs its boxes (and by tools without a screen): logs only.
class LogPrompts : public Prompts
{
public:
    void information(const QString &text, const QString &) override { qInfo().noquote() << text; }
    void exclamation(const QString &text, const QString &) override { qWarning().noquote() << text; }
    bool question(const QString &text, bool defaultNo, const QString &) override
    {
        qInfo().noquote() << text;
        return !defaultNo;
    }
};

LogPrompts g_log;
Prompts *g_current = &g_log;

} // namespace

Prompts &Prompts::current()
{
    return *g_current;
}

void Prompts::setCurrent(Prompts *prompts)
{
    g_current = prompts ? prompts : &g_log;
}

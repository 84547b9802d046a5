#include "ScriptedPrompts.h"

ScriptedPrompts::ScriptedPrompts()
{
    Prompts::setCurrent(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    Prompts::setCurrent(nullptr);
}

void ScriptedPrompts::information(const QString &text, const QString &)
{
    shown.append({Icon::Information, text});
}

void ScriptedPrompts::exclamation(const QString &text, const QString &)
{
    shown.append({Icon::Exclamation, text});
}

bool ScriptedPrompts::question(const QString &text, bool defaultNo, const QString &)
{
    shown.append({Icon::Question, text});
    questionDefaults.append(defaultNo);
    return answers.isEmpty() ? true : answers.takeFirst();
}

QStringList ScriptedPrompts::texts() const
{
    QStringList t;
    for (const Entry &e : shown)
        t << e.text;
    return t;
}

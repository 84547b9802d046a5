#pragma once

#include <QList>
#include <QStringList>

#include "core/frame/Prompts.h"

// Stands in for the message boxes in tests: records every text with its icon and answers
// questions from a queue (Yes when the queue is empty). Installs itself while it lives.
class ScriptedPrompts : public Prompts
{
public:
    struct Entry
    {
        Icon icon;
        QString text;
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;

    void information(const QString &text, const QString &title = QString()) override;
    void exclamation(const QString &text, const QString &title = QString()) override;
    bool question(const QString &text, bool defaultNo = false,
                  const QString &title = QString()) override;

    QStringList texts() const;
    QString last() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear() { shown.clear(); }

    QList<Entry> shown;
    QList<bool> answers;
    QList<bool> questionDefaults; // the defaultNo flag of every question asked
};

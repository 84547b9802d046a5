#pragma once

#include "core/frame/Prompts.h"

// The program's message boxes, titled like the rest of the shop software.
class MessageBoxPrompts : public Prompts
{
public:
    void information(const QString &text, const QString &title = QString()) override;
    void exclamation(const QString &text, const QString &title = QString()) override;
    bool question(const QString &text, bool defaultNo = false,
                  const QString &title = QString()) override;
};

#pragma once

#include <QString>

// The one way screens talk to the operator in message boxes. The program shows real
// message boxes; tests install a scripted stand-in that records every text and answers
// questions as told.
class Prompts
{
public:
    enum class Icon { Information, Exclamation, Question, Critical };

    virtual ~Prompts() = default;
    virtual void information(const QString &text, const QString &title = QString()) = 0;
    virtual void exclamation(const QString &text, const QString &title = QString()) = 0;
    // Yes/No; returns true for Yes. With defaultNo the No button is preselected.
    virtual bool question(const QString &text, bool defaultNo = false,
                          const QString &title = QString()) = 0;

    static Prompts &current();
    static void setCurrent(Prompts *prompts); // nullptr restores the silent default
};

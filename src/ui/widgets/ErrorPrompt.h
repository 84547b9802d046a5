#pragma once

#include <functional>
#include <utility>

#include <QString>
#include <QStringList>

class CoreError;
class QWidget;

// How every screen tells the operator that something failed: the error's own message in an
// information box (a warning's with the exclamation icon), then the focus to the field a refusal names (found by objectName under
// `form`). The screen keeps what was typed.
void showError(const CoreError &error, QWidget *form = nullptr);

// Runs one action of a screen; a CoreError it throws is shown as above. Returns whether the
// action finished.
template <class Action>
bool runShowingErrors(QWidget *form, Action &&action);

// What a screen does once its save has committed (the drawer, the printer): every step is
// tried on its own, as none may undo or repeat the save, and what failed is told at the end
// in one box: the heading, then one line per failure.
class AfterSave
{
public:
    explicit AfterSave(const QString &heading = QStringLiteral("单据已保存。\n"))
        : m_heading(heading)
    {
    }
    // Runs `step`; a failure is kept as `prefix` followed by its message.
    void attempt(const std::function<void()> &step, const QString &prefix = QString());
    // Tells what failed, if anything.
    void report() const;

private:
    QString m_heading;
    QStringList m_failures;
};

#include "core/base/CoreError.h"

template <class Action>
bool runShowingErrors(QWidget *form, Action &&action)
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const CoreError &e) {
        showError(e, form);
        return false;
    }
}

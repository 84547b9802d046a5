#pragma once

#include <utility>

class CoreError;
class QWidget;

// How every screen tells the operator that something failed: the error's own message in an
// information box, then the focus to the field a refusal names (found by objectName under
// `form`). The screen keeps what was typed.
void showError(const CoreError &error, QWidget *form = nullptr);

// Runs one action of a screen; a CoreError it throws is shown as above. Returns whether the
// action finished.
template <class Action>
bool runShowingErrors(QWidget *form, Action &&action);

#include "core/frame/CoreError.h"

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

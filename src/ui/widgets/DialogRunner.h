#pragma once

#include <functional>

class QDialog;

// Every modal dialog of the program is shown through here, so a test can script it: with a
// script installed, the script gets the dialog instead of the operator (it may show it, type
// into it and click its buttons) and its return value is the dialog's result. Either way the
// dialog is first fitted to the screen (WindowFit).
class DialogRunner
{
public:
    using Script = std::function<int(QDialog &)>;

    static int exec(QDialog &dialog);
    static void setScript(Script script); // an empty function restores real dialogs
    static bool scripted();
};

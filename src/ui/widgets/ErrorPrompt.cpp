#include "ui/widgets/ErrorPrompt.h"

#include <QWidget>

#include "core/frame/CoreError.h"
#include "core/frame/Prompts.h"

void showError(const CoreError &error, QWidget *form)
{
    Prompts::current().information(error.message());
    if (!form || error.field().isEmpty())
        return;
    if (auto *field = form->findChild<QWidget *>(error.field())) {
        field->setFocus();
    } else {
        // A rule naming a field the screen does not have is our mistake, not the operator's.
        qWarning("no field %s on %s", qPrintable(error.field()), qPrintable(form->objectName()));
        Q_ASSERT_X(false, "showError", "refusal names an unknown field");
    }
}

#include "ui/widgets/ErrorPrompt.h"

#include <QWidget>

#include "core/base/CoreError.h"
#include "core/frame/Prompts.h"

void AfterSave::attempt(const std::function<void()> &step, const QString &prefix)
{
    try {
        step();
    } catch (const CoreError &e) {
        m_failures << prefix + e.message();
    } catch (const std::exception &e) {
        m_failures << prefix + QString::fromLocal8Bit(e.what());
    }
}

void AfterSave::report() const
{
    if (!m_failures.isEmpty())
        Prompts::current().information(m_heading + m_failures.join(u'\n'));
}

void showError(const CoreError &error, QWidget *form)
{
    if (error.exclamation())
        Prompts::current().exclamation(error.message());
    else
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

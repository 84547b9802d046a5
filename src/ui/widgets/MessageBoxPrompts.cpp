#include "ui/widgets/MessageBoxPrompts.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString titleOr(const QString &title)
{
    return title.isEmpty() ? QStringLiteral("提示") : title;
}

} // namespace

void MessageBoxPrompts::information(const QString &text, const QString &title)
{
    QMessageBox::information(QApplication::activeWindow(), titleOr(title), text);
}

void MessageBoxPrompts::exclamation(const QString &text, const QString &title)
{
    QMessageBox::warning(QApplication::activeWindow(), titleOr(title), text);
}

bool MessageBoxPrompts::question(const QString &text, bool defaultNo, const QString &title)
{
    return QMessageBox::question(QApplication::activeWindow(), titleOr(title), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 defaultNo ? QMessageBox::No : QMessageBox::Yes) ==
           QMessageBox::Yes;
}

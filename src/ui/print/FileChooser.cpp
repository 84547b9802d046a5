#include "ui/print/FileChooser.h"

#include <QApplication>
#include <QFileDialog>

namespace {

class SaveDialogChooser : public FileChooser
{
public:
    QString saveFileName(const QString &caption, const QString &suggestedPath,
                         const QString &filters) override
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, suggestedPath,
                                            filters);
    }
    QString openFileName(const QString &caption, const QString &folder,
                         const QString &filters) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder, filters);
    }
};

SaveDialogChooser g_default;
FileChooser *g_current = nullptr;

} // namespace

QString FileChooser::openFileName(const QString &, const QString &, const QString &)
{
    return QString();
}

FileChooser &FileChooser::current()
{
    return g_current ? *g_current : g_default;
}

void FileChooser::setCurrent(FileChooser *chooser)
{
    g_current = chooser;
}

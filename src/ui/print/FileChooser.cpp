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
};

SaveDialogChooser g_default;
FileChooser *g_current = nullptr;

} // namespace

FileChooser &FileChooser::current()
{
    return g_current ? *g_current : g_default;
}

void FileChooser::setCurrent(FileChooser *chooser)
{
    g_current = chooser;
}

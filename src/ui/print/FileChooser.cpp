#include "ui/print/FileChooser.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

class SaveDialogChooser : public FileChooser
{
public:
    QString saveFileName(const QString &caption, const QString &suggestedName,
                         const QString &filters) override
    {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption,
                                            QDir(dir).filePath(suggestedName), filters);
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

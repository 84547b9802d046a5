#pragma once

#include <QString>

// Where the program asks the operator for a file name to save to. The program shows the
// platform's save dialogue; tests install a stand-in that answers with a path.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // The chosen path, or an empty text when the operator cancelled. The dialogue starts at
    // `suggestedPath` (folder and file name). `filters` in the dialogue's form:
    // "Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)".
    virtual QString saveFileName(const QString &caption, const QString &suggestedPath,
                                 const QString &filters) = 0;
    // A file to read (a backup to restore); empty when cancelled. A stand-in that does not
    // say otherwise cancels.
    virtual QString openFileName(const QString &caption, const QString &folder,
                                 const QString &filters);

    static FileChooser &current();
    static void setCurrent(FileChooser *chooser); // nullptr restores the save dialogue
};

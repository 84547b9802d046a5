#pragma once

#include <functional>

#include <QList>
#include <QString>

class FrmMain;
class QWidget;

// `kwpos_main --screenshots DIR`: shows the main window and every screen with the logged-in
// account set's data and saves one PNG per window into DIR, named after the form, for review.
// A screen joins the tour with one entry in entries().
class Screenshots
{
public:
    struct Entry
    {
        QString file; // without ".png": the form's name
        // Builds and fills the window; the tour shows it and grabs it.
        std::function<QWidget *(FrmMain &)> build;
        // Afterwards the window is deleted, or only hidden (the main window, its menus).
        bool dispose = true;
    };

    static QList<Entry> entries();
    // Returns the program's exit code: 0 when every picture was saved.
    static int run(const QString &dir, FrmMain &main);
};

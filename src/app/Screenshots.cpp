#include "app/Screenshots.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

#include "app/FrmMain.h"
#include "app/UserGrants.h"
#include "app/Routines.h"
#include "app/db/DbError.h"
#include "app/frmGrant.h"

namespace {

// An open drop-down of the command bar, so its captions can be read too.
QWidget *openMenu(FrmMain &main, const QString &name)
{
    auto *menu = main.menuBar()->findChild<QMenu *>(name);
    menu->popup(main.mapToGlobal(QPoint(0, main.menuBar()->height())));
    return menu;
}

} // namespace

QList<Screenshots::Entry> Screenshots::entries()
{
    return {
        {QStringLiteral("FrmMain"), [](FrmMain &main) -> QWidget * { return &main; }},
        {QStringLiteral("FrmMain_myFunction"),
         [](FrmMain &main) { return openMenu(main, QStringLiteral("myFunction")); }},
        {QStringLiteral("FrmMain_myReport"),
         [](FrmMain &main) { return openMenu(main, QStringLiteral("myReport")); }},
        {QStringLiteral("frmGrant"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmGrant(&main);
             form->setWindowFlag(Qt::Window);
             // An operator with rows, so the boxes show ticks.
             const QStringList ops = UserGrants::operators(GetCnstr());
             int pick = ops.size() - 1;
             for (int i = 0; i < ops.size(); ++i)
                 if (!UserGrants::load(GetCnstr(), ops[i]).key(true).isEmpty()) {
                     pick = i;
                     break;
                 }
             form->cmbUser->setCurrentIndex(pick);
             return form;
         }},
    };
}

int Screenshots::run(const QString &dir, FrmMain &main)
{
    QTextStream err(stderr);
    if (!QDir().mkpath(dir)) {
        err << "cannot create " << dir << Qt::endl;
        return 1;
    }
    main.show();
    int status = 0;
    for (const Entry &e : entries()) {
        QWidget *w = nullptr;
        try {
            w = e.build(main);
        } catch (const db::DbError &error) {
            err << e.file << ": " << error.message() << Qt::endl;
            status = 1;
            continue;
        }
        if (w->isWindow() && !w->isVisible())
            w->show();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString path = QDir(dir).filePath(e.file + QStringLiteral(".png"));
        if (!w->grab().save(path)) {
            err << "cannot write " << path << Qt::endl;
            status = 1;
        }
        if (w != &main) {
            w->hide();
            delete w;
        }
    }
    return status;
}

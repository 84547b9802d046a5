// Opens a database the way a station does at start-up (Schema::ensure); the schema test runs
// several at once on one new database.
#include <cstdio>

#include <QCoreApplication>

#include "core/db/DbError.h"
#include "core/db/Schema.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: kwpos_ensure_schema CNSTR\n");
        return 2;
    }
    try {
        db::Schema::ensure(args[1]);
    } catch (const db::DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

#include <QtTest>

#include "ui/widgets/KeyedGrid.h"

namespace {

// The shape of a sale grid: a hidden id, a name, a quantity the cashier may type, a price.
struct SaleGrid : KeyedGrid
{
    SaleGrid()
    {
        setColumns({{"FItemID", "ID", 60, true},
                    {"FName", "品名", 120},
                    {"FQty", "数量", 60, false, Qt::AlignRight | Qt::AlignVCenter},
                    {"FPrice", "单价", 70, false, Qt::AlignRight | Qt::AlignVCenter}});
    }
};

} // namespace

class tst_KeyedGrid : public QObject
{
    Q_OBJECT
private slots:
    // Keys in any case; an unknown key or a line past the end is warned about, not a crash;
    // the header row stays when lines are removed.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("col");
        QTest::newRow("lower") << "fqty" << 2;
        QTest::newRow("unknown") << "FAmount" << -1;
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(int, col);
        SaleGrid g;
        QCOMPARE(g.colIndex(key), col);
        const int r = g.addRow();
        if (col < 0) {
            // A misspelt key is the program's fault: warned about, and nothing happens.
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no column"));
            QCOMPARE(g.text(r, key), QString());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no column"));
            g.setText(r, key, "1");
            return;
        }
        g.setText(r, key, "7.5kg");
        QCOMPARE(g.text(r, g.colKey(col)), QStringLiteral("7.5kg"));
        QCOMPARE(g.value(r, key.toUpper()), 7.5); // the leading number
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no row 5"));
        g.setText(5, key, "x"); // no such line: warned, nothing written
        QCOMPARE(g.text(5, key), QString()); // reading past the end is empty
        g.removeGridRow(0);
        g.removeGridRow(r);
        QCOMPARE((QStringList{QString::number(g.rows()), g.text(0, key)}), (QStringList{"1", g.header(key)}));
    }
};

QTEST_MAIN(tst_KeyedGrid)
#include "tst_KeyedGrid.moc"

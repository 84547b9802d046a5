#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "ui/widgets/KeyedGrid.h"
#include "core/db/DbError.h"

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
    bool exposed()
    {
        resize(500, 200);
        show();
        return QTest::qWaitForWindowExposed(this);
    }
};

// Centre of a line's cell in viewport coordinates.
QPoint cellCentre(const KeyedGrid &g, int row, const QString &key)
{
    return g.visualRect(g.model()->index(row - 1, g.colIndex(key))).center();
}

} // namespace

class tst_KeyedGrid : public QObject
{
    Q_OBJECT
private slots:
    // Keys in any case; an unknown key is an error, not a crash.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("col");
        QTest::newRow("as declared") << "FQty" << 2;
        QTest::newRow("lower") << "fqty" << 2;
        QTest::newRow("hidden column") << "fitemid" << 0;
        QTest::newRow("unknown") << "FAmount" << -1;
        QTest::newRow("empty") << "" << -1;
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
    }

    // The header row stays whatever is removed; new lines are empty and read 0.
    void rows()
    {
        SaleGrid g;
        for (int r = 1; r <= 3; ++r)
            g.setText(g.addRow(), "FName", QString::number(r));
        g.removeGridRow(2);
        g.removeGridRow(0);
        g.removeGridRow(9);
        QCOMPARE(g.rows(), 3);
        QCOMPARE(g.text(2, "FName"), QStringLiteral("3"));
        g.setCurrentGridRow(2);
        g.setRows(1);
        QCOMPARE(g.currentGridRow(), 0);
        QCOMPARE(g.text(0, "FName"), QStringLiteral("品名"));
        g.setRows(4);
        QCOMPARE(g.text(3, "FName"), QString());
        QCOMPARE(g.value(3, "FQty"), 0.0);
    }

    // A stored width does not bring a hidden column back, a column shown again keeps its
    // width, and only the operator's drags count as resizes.
    void hiddenColumnsAndWidths()
    {
        SaleGrid g;
        QSignalSpy resized(&g, &KeyedGrid::afterColumnResized);
        g.setColWidth("FQty", 0); // width 0 hides
        QVERIFY(g.isColHidden("FQty"));
        g.setColWidth("FItemID", 90);
        QVERIFY(g.isColHidden("FItemID"));
        QCOMPARE(g.colWidth("FItemID"), 90);
        g.setColHidden("FName", true);
        g.setColHidden("fname", false);
        QCOMPARE(g.columnWidth(g.colIndex("FName")), 120);
        QCOMPARE(resized.count(), 0);
        g.horizontalHeader()->resizeSection(g.colIndex("FPrice"), 95); // as a drag does
        QCOMPARE(resized.count(), 1);
        QCOMPARE(resized[0][0].toString(), QStringLiteral("FPrice"));
        QCOMPARE(g.colWidth("FPrice"), 95);
    }

    void doubleClickAndCellButton()
    {
        SaleGrid g;
        g.setColButton("FName", true);
        QVERIFY(g.exposed());
        g.setRows(3);
        QSignalSpy dbl(&g, &KeyedGrid::rowDoubleClicked);
        QSignalSpy button(&g, &KeyedGrid::cellButtonClicked);
        // A real double click starts with a click; QTest's double click alone does not.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCentre(g, 2, "FPrice"));
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cellCentre(g, 2, "FPrice"));
        QCOMPARE(dbl.count(), 1);
        QCOMPARE(dbl[0][0].toInt(), 2);
        // A click on the "..." at the right end of the cell, not elsewhere in it.
        const QRect cell = g.visualRect(g.model()->index(0, g.colIndex("FName")));
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 5, cell.center().y()));
        QCOMPARE(button.count(), 0);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 5, cell.center().y()));
        QCOMPARE(button.count(), 1);
        QCOMPARE(button[0][0].toInt(), 1);
        QCOMPARE(button[0][1].toString(), QStringLiteral("FName"));
    }
};

QTEST_MAIN(tst_KeyedGrid)
#include "tst_KeyedGrid.moc"

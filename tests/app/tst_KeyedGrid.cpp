#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "app/KeyedGrid.h"
#include "app/db/DbError.h"

namespace {

// The shape of a sale grid: a hidden id, a name, a quantity the cashier may type, a price.
void build(KeyedGrid &g)
{
    g.setColumns({{"FItemID", "ID", 60, true},
                  {"FName", "品名", 120},
                  {"FQty", "数量", 60, false, Qt::AlignRight | Qt::AlignVCenter},
                  {"FPrice", "单价", 70, false, Qt::AlignRight | Qt::AlignVCenter}});
}

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
    void keysMatchInAnyCase_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("col");
        QTest::newRow("as declared") << "FQty" << 2;
        QTest::newRow("lower") << "fqty" << 2;
        QTest::newRow("upper") << "FPRICE" << 3;
        QTest::newRow("hidden column") << "fitemid" << 0;
        QTest::newRow("unknown") << "FAmount" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void keysMatchInAnyCase()
    {
        QFETCH(QString, key);
        QFETCH(int, col);
        KeyedGrid g;
        build(g);
        QCOMPARE(g.colIndex(key), col);
        if (col < 0)
            return;
        const int r = g.addRow();
        g.setText(r, key, "7");
        QCOMPARE(g.text(r, g.colKey(col)), QStringLiteral("7"));
        QCOMPARE(g.text(r, key.toUpper()), QStringLiteral("7"));
    }

    void unknownKeyIsAnErrorNotACrash()
    {
        KeyedGrid g;
        build(g);
        g.addRow();
        QVERIFY_THROWS_EXCEPTION(db::DbError, g.text(1, "FAmount"));
        QVERIFY_THROWS_EXCEPTION(db::DbError, g.setText(1, "FAmount", "1"));
        QVERIFY_THROWS_EXCEPTION(db::DbError, g.setText(5, "FName", "x")); // no such line
        QCOMPARE(g.text(5, "FName"), QString()); // reading past the end is empty
    }

    void value_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("plain") << "12" << 12.0;
        QTest::newRow("with unit") << "3.5kg" << 3.5;
        QTest::newRow("garbage") << "abc" << 0.0;
        QTest::newRow("negative") << "-2" << -2.0;
        QTest::newRow("spaces") << "  4.25 " << 4.25;
        QTest::newRow("grouped stops at comma") << "1,234.00" << 1.0;
        QTest::newRow("money") << "16.80" << 16.8;
    }
    void value()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        KeyedGrid g;
        build(g);
        const int r = g.addRow();
        g.setText(r, "FPrice", text);
        QCOMPARE(g.value(r, "fprice"), value);
        QCOMPARE(g.value(r, "FQty"), 0.0); // never written
    }

    void rows()
    {
        KeyedGrid g;
        build(g);
        QCOMPARE(g.rows(), 1); // header only
        QCOMPARE(g.cols(), 4);
        QCOMPARE(g.text(0, "FName"), QStringLiteral("品名"));
        QCOMPARE(g.addRow(), 1);
        QCOMPARE(g.addRow(), 2);
        QCOMPARE(g.addRow(), 3);
        for (int r = 1; r <= 3; ++r)
            g.setText(r, "FName", QString::number(r));
        g.removeGridRow(2);
        QCOMPARE(g.rows(), 3);
        QCOMPARE(g.text(2, "FName"), QStringLiteral("3"));
        g.removeGridRow(0); // the header stays
        g.removeGridRow(9);
        QCOMPARE(g.rows(), 3);
        QCOMPARE(g.text(0, "FName"), QStringLiteral("品名"));
        g.setCurrentGridRow(2);
        QCOMPARE(g.currentGridRow(), 2);
        g.setRows(1);
        QCOMPARE(g.rows(), 1);
        QCOMPARE(g.currentGridRow(), 0);
        QCOMPARE(g.text(0, "FName"), QStringLiteral("品名"));
        g.setRows(4);
        QCOMPARE(g.rows(), 4);
        QCOMPARE(g.text(3, "FName"), QString()); // new lines are empty
        g.setGridRowHeight(2, 40);
        QCOMPARE(g.gridRowHeight(2), 40);
        QCOMPARE(g.gridRowHeight(9), 0);
    }

    void hiddenColumnsAndWidths()
    {
        KeyedGrid g;
        build(g);
        QSignalSpy resized(&g, &KeyedGrid::afterColumnResized);
        QVERIFY(g.isColHidden("FItemID"));
        QVERIFY(!g.isColHidden("FName"));
        QCOMPARE(g.colWidth("FName"), 120);
        g.setColWidth("FQty", 0); // width 0 hides
        QVERIFY(g.isColHidden("FQty"));
        QCOMPARE(g.colWidth("FQty"), 0);
        g.setColWidth("FQty", 55);
        QVERIFY(!g.isColHidden("FQty"));
        QCOMPARE(g.columnWidth(g.colIndex("FQty")), 55);
        // A width applied to a hidden column (a stored format) does not bring it back...
        g.setColWidth("FItemID", 90);
        QVERIFY(g.isColHidden("FItemID"));
        QCOMPARE(g.colWidth("FItemID"), 90);
        // ...and a column hidden and shown again keeps its width.
        g.setColHidden("FName", true);
        QVERIFY(g.isColHidden("FName"));
        QCOMPARE(g.colWidth("FName"), 120);
        g.setColHidden("fname", false);
        QCOMPARE(g.columnWidth(g.colIndex("FName")), 120);
        QCOMPARE(resized.count(), 0); // changes made by code are not the operator's resizes
    }

    void operatorResizeIsReported()
    {
        KeyedGrid g;
        build(g);
        QSignalSpy resized(&g, &KeyedGrid::afterColumnResized);
        g.horizontalHeader()->resizeSection(g.colIndex("FPrice"), 95); // as a drag does
        QCOMPARE(resized.count(), 1);
        QCOMPARE(resized[0][0].toString(), QStringLiteral("FPrice"));
        QCOMPARE(resized[0][1].toInt(), 95);
        QCOMPARE(g.colWidth("FPrice"), 95);
    }

    void backColourOfABlock()
    {
        KeyedGrid g;
        build(g);
        for (int i = 0; i < 4; ++i)
            g.addRow();
        // Corners given in any order; rows beyond the grid are left out.
        g.setBackColor(3, "FPrice", 2, "fname", Qt::yellow);
        g.setBackColor(4, "FName", 9, "FName", Qt::red);
        for (int r = 1; r <= 4; ++r)
            for (const QString key : {"FItemID", "FName", "FQty", "FPrice"}) {
                QColor expected;
                if (r >= 2 && r <= 3 && key != "FItemID")
                    expected = QColor(Qt::yellow);
                if (r == 4 && key == "FName")
                    expected = QColor(Qt::red);
                QCOMPARE(g.backColor(r, key), expected);
            }
        QCOMPARE(g.rows(), 5);
        g.setRowBackColor(1, Qt::green);
        QCOMPARE(g.backColor(1, "FItemID"), QColor(Qt::green));
        QCOMPARE(g.backColor(1, "FPrice"), QColor(Qt::green));
    }

    void editingPerColumn_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("asked");
        QTest::newRow("editable column") << "FQty" << false << "5" << 1;
        QTest::newRow("cancelled by beforeEdit") << "FQty" << true << "2" << 1;
        QTest::newRow("column without editing") << "FPrice" << false << "2" << 0;
    }
    void editingPerColumn()
    {
        QFETCH(QString, key);
        QFETCH(bool, cancel);
        QFETCH(QString, expected);
        QFETCH(int, asked);
        KeyedGrid g;
        build(g);
        g.setColEditable("fqty", true);
        QVERIFY(g.isColEditable("FQty"));
        QVERIFY(!g.isColEditable("FPrice"));
        g.resize(500, 200);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        const int r = g.addRow();
        g.setText(r, "FQty", "2");
        g.setText(r, "FPrice", "2");
        QStringList before;
        QStringList after;
        connect(&g, &KeyedGrid::beforeEdit, this, [&](int row, const QString &k, bool *c) {
            before << QStringLiteral("%1:%2").arg(row).arg(k);
            *c = cancel;
        });
        connect(&g, &KeyedGrid::afterEdit, this,
                [&](int row, const QString &k) { after << QStringLiteral("%1:%2").arg(row).arg(k); });
        g.setCurrentCell(r - 1, g.colIndex(key)); // moving there is not editing yet
        QCOMPARE(before.size(), 0);
        g.setFocus();
        QTest::keyClick(&g, Qt::Key_F2); // the edit key, as the grid has the focus
        if (auto *editor = g.findChild<QLineEdit *>()) {
            editor->selectAll();
            QTest::keyClicks(editor, "5");
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(g.findChildren<QLineEdit *>().isEmpty()); // committed later in the loop
        }
        QCOMPARE(before.size(), asked);
        if (asked)
            QCOMPARE(before[0], QStringLiteral("1:FQty"));
        QCOMPARE(g.text(r, key), expected);
        QCOMPARE(after.size(), expected == "5" ? 1 : 0);
    }

    void doubleClickAndCellButton()
    {
        KeyedGrid g;
        build(g);
        g.setColButton("FName", true);
        QVERIFY(g.hasColButton("fname"));
        QVERIFY(!g.hasColButton("FQty"));
        g.resize(500, 200);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        g.addRow();
        g.addRow();
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

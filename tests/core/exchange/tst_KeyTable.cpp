#include <QtTest>

#include "core/exchange/KeyTable.h"

// The packed keys of an import: what a QHash<QString, int> would answer, past many growths of
// the table and across the blocks the keys are packed in.
class tst_KeyTable : public QObject
{
    Q_OBJECT
private slots:
    void answersAsAHash()
    {
        KeyTable t;
        QHash<QString, int> h;
        const QString wide(300000, QChar(0x5976)); // 900 KB as UTF-8: it fills most of a block
        const QString longest(kLong, u'7');        // longer than a block
        for (int i = 0; i < 200000; ++i) {
            const QString k = i % 1000 == 3 ? QStringLiteral("鲜奶%1").arg(i)
                              : i == 77     ? wide
                              : i == 78     ? longest
                                            : QStringLiteral("069%1").arg(i * 7919 % 1000003, 10, 10, QLatin1Char('0'));
            t.insert(k, i);
            h.insert(k, i);
        }
        t.insert(QString(), 5); // an empty key is a key
        h.insert(QString(), 5);
        t.insert(QStringLiteral("0690000000000"), -1); // a key already there takes the new number
        h.insert(QStringLiteral("0690000000000"), -1);
        QCOMPARE(t.size(), h.size());
        for (auto it = h.cbegin(); it != h.cend(); ++it)
            QCOMPARE(t.value(it.key(), -99), it.value());
        QCOMPARE(t.value(QStringLiteral("鲜奶4"), -99), -99);
        QVERIFY(!t.contains(wide.left(10)));
        QStringList keys = t.keys(), expected = h.keys();
        keys.sort();
        expected.sort();
        QCOMPARE(keys, expected);
    }

private:
    static constexpr int kLong = 1100000;
};

QTEST_GUILESS_MAIN(tst_KeyTable)
#include "tst_KeyTable.moc"

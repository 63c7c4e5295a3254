#include "lines/line_list_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace kvt;

namespace {

ps row(const QString& name, const QString& delay, const QString& rate = {}) {
    ps r;
    r.name = name;
    r.delay = delay;
    r.onlinerate = rate;
    return r;
}

QStringList column(const LineListModel& model, int column) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.index(r, column).data().toString();
    return out;
}

} // namespace

class TestLineListModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void comparison_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("ascending");
        QTest::addColumn<int>("descending");
        QTest::newRow("delay smaller") << "120"
                                       << "300" << 1 << -1 << 1;
        QTest::newRow("delay greater") << "300"
                                       << "120" << 1 << 1 << -1;
        QTest::newRow("delay equal never equal") << "50"
                                                 << "50" << 1 << -1 << 1;
        QTest::newRow("NA after measured") << "NA"
                                           << "9999" << 1 << 1 << -1;
        QTest::newRow("failure text after measured") << "Unknown"
                                                     << "10" << 1 << 1 << -1;
        QTest::newRow("NA equals failure text") << "NA"
                                                << "禁ping" << 1 << -1 << 1;
        QTest::newRow("beyond the not-a-number value") << "40000000"
                                                       << "NA" << 1 << 1 << -1;
        QTest::newRow("name ordinal, case significant") << "a"
                                                        << "B" << 0 << 1 << -1;
        QTest::newRow("rate as text: 9 after 10") << "9%"
                                                  << "10%" << 2 << 1 << -1;
        QTest::newRow("other column is equal") << "1"
                                               << "2" << 5 << 0 << 0;
    }
    void comparison() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, column);
        QFETCH(int, ascending);
        QFETCH(int, descending);
        // The same text goes into the compared field of each column.
        const ps a = row(first, first, first);
        const ps b = row(second, second, second);
        QCOMPARE(LineListModel::vt1CompareNodes(a, b, column, Qt::AscendingOrder), ascending);
        QCOMPARE(LineListModel::vt1CompareNodes(a, b, column, Qt::DescendingOrder), descending);
    }

    void sortsByDelayAscendingAtFill() {
        LineListModel model;
        model.fill({row("a", "NA"), row("b", "300"), row("c", "Unknown"), row("d", "20"),
                    row("e", "201")});
        QCOMPARE(model.sortColumn(), 1);
        QCOMPARE(column(model, 1), (QStringList{"20", "201", "300", "NA", "Unknown"}));
    }

    void headerClickFlipsOnEveryClick() {
        LineListModel model;
        model.fill({row("b", "NA", "10%"), row("a", "5", "9%"), row("c", "70", "100%")});
        model.headerClick(1); // same column: ascending -> descending, unmeasured first
        QCOMPARE(model.sortDirection(), Qt::DescendingOrder);
        QCOMPARE(column(model, 1), (QStringList{"NA", "70", "5"}));
        model.headerClick(1);
        QCOMPARE(model.sortDirection(), Qt::AscendingOrder);
        QCOMPARE(column(model, 1), (QStringList{"5", "70", "NA"}));
        model.headerClick(2); // another column flips too, rather than starting ascending
        QCOMPARE(model.sortDirection(), Qt::DescendingOrder);
        QCOMPARE(column(model, 2), (QStringList{"9%", "100%", "10%"}));
        model.headerClick(0);
        QCOMPARE(model.sortDirection(), Qt::AscendingOrder);
        QCOMPARE(column(model, 0), (QStringList{"a", "b", "c"}));
    }

    void headerTitles() {
        LineListModel model;
        QSignalSpy changed(&model, &QAbstractItemModel::headerDataChanged);
        model.setHeaders({"Line name", "Delay(ms)", "Online rate"});
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Delay(ms)"));
        // One title at a time, as the view's column title setter writes it.
        QVERIFY(model.setHeaderData(2, Qt::Horizontal, QStringLiteral("在线率")));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("在线率"));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Line name"));
        QCOMPARE(changed.count(), 2);
        QVERIFY(!model.setHeaderData(3, Qt::Horizontal, QStringLiteral("x")));
        QVERIFY(!model.setHeaderData(0, Qt::Vertical, QStringLiteral("x")));
        QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
        // Before any setHeaders a single title still lands in its column.
        LineListModel fresh;
        QVERIFY(fresh.setHeaderData(1, Qt::Horizontal, QStringLiteral("延时(ms)")));
        QCOMPARE(fresh.headerData(1, Qt::Horizontal).toString(), QStringLiteral("延时(ms)"));
        QCOMPARE(fresh.headerData(0, Qt::Horizontal).toString(), QString());
    }

    void equalDelaysKeepOrderAscending() {
        LineListModel model;
        model.fill({row("x", "NA"), row("y", "NA"), row("z", "NA")});
        QCOMPARE(column(model, 0), (QStringList{"x", "y", "z"}));
    }

    void focusAndCursorFollowRowsAndClear() {
        LineListModel model;
        model.fill({row("a", "300"), row("b", "100")});
        QCOMPARE(column(model, 0), (QStringList{"b", "a"}));
        model.setFocusedRow(1); // "a"
        model.RotationCursor = model.rowId(1);
        const quint64 idOfA = model.rowId(1);
        model.headerClick(0); // descending by name: a moves to the end... b, a -> b, a
        model.headerClick(0); // ascending by name: a, b
        QCOMPARE(model.focusedRow(), 0);
        QCOMPARE(model.rowOfId(idOfA), 0);
        QVERIFY(model.index(0, 0).data(LineListModel::FocusedRole).toBool());

        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.focusedRow(), -1);
        QCOMPARE(model.RotationCursor, quint64(0));
        QCOMPARE(model.rowOfId(idOfA), -1); // a late result for a removed row finds nothing
    }

    void delayEditsShowAndLostTimesCount() {
        LineListModel model;
        model.fill({row("a", "NA")});
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setDelay(0, QStringLiteral("42"));
        model.addLostTime(0);
        model.addLostTime(0);
        model.setDelay(7, QStringLiteral("1")); // no such row: nothing happens
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.record(0).delay, QStringLiteral("42"));
        QCOMPARE(model.record(0).losttimes, 2);
    }

    void fillBands_data() {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("fill"); // -1: no fill
        QTest::newRow("NA") << "NA" << -1;
        QTest::newRow("timeout grey") << "超时" << 0xA4A2A5;
        QTest::newRow("timeout grey, traditional") << "超時" << 0xA4A2A5;
        QTest::newRow("0") << "0" << 0xAAFF9B;
        QTest::newRow("200") << "200" << 0xAAFF9B;
        QTest::newRow("201") << "201" << 0xC8FF96;
        QTest::newRow("250") << "250" << 0xC8FF96;
        QTest::newRow("251") << "251" << 0xE1FF8C;
        QTest::newRow("300") << "300" << 0xE1FF8C;
        QTest::newRow("301") << "301" << 0xF0FF8C;
        QTest::newRow("failure text counts as 0") << "禁ping" << 0xAAFF9B;
    }
    void fillBands() {
        QFETCH(QString, delay);
        QFETCH(int, fill);
        const auto actual = LineListModel::delayFill(delay);
        QCOMPARE(actual ? int(*actual) : -1, fill);
    }

    void manyRowsAndOddNames() {
        QList<ps> rows;
        for (int i = 0; i < 10000; ++i)
            rows << row(i % 7 ? QStringLiteral("线路%1").arg(i)
                              : QString(QChar(0x41 + i % 26)).repeated(500),
                        i % 5 ? QString::number((i * 7919) % 1000) : QStringLiteral("NA"));
        LineListModel model;
        model.fill(rows);
        QCOMPARE(model.rowCount(), 10000);
        qint32 previous = -1;
        for (int r = 0; r < model.rowCount(); ++r) {
            const qint32 value = LineListModel::delaySortValue(model.record(r).delay);
            QVERIFY(value >= previous);
            previous = value;
        }
    }
};

QTEST_GUILESS_MAIN(TestLineListModel)
#include "tst_line_list_model.moc"

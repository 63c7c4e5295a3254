#include "backend/split.h"

#include <QTest>

using namespace kvt;

class TestSplit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pieces_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no delimiter") << "abc"
                                      << "," << QStringList{"abc"};
        QTest::newRow("empty text") << ""
                                    << "," << QStringList{""};
        QTest::newRow("four pieces") << "a,b,c,d"
                                     << "," << QStringList{"a", "b", "c", "d"};
        QTest::newRow("empty piece dropped") << "a,,c,d"
                                             << "," << QStringList{"a", "c", "d"};
        QTest::newRow("trailing delimiter keeps empty last") << "a,b,"
                                                             << "," << QStringList{"a", "b", ""};
        QTest::newRow("leading delimiter") << ",a"
                                           << "," << QStringList{"a"};
        QTest::newRow("only delimiters") << ",,,"
                                         << "," << QStringList{""};
        QTest::newRow("at most five") << "1|2|3|4|5|6|7"
                                      << "|" << QStringList{"1", "2", "3", "4", "5"};
        QTest::newRow("main node answer")
            << "a-b|8.1.2-3|h:1|(u)|2"
            << "|" << QStringList{"a-b", "8.1.2-3", "h:1", "(u)", "2"};
        QTest::newRow("empty field moves later ones up")
            << "a-b||h|(u)|2"
            << "|" << QStringList{"a-b", "h", "(u)", "2"};
        QTest::newRow("multi-character delimiter") << "x&&y"
                                                   << "&&" << QStringList{"x", "y"};
    }
    void pieces() {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(QStringList, expected);
        QCOMPARE(Split(text, delimiter), expected);
    }

    void missingPieceReadsEmpty() {
        const QStringList pieces = Split(QStringLiteral("a,b"), QStringLiteral(","));
        QCOMPARE(SplitPiece(pieces, 1), QStringLiteral("b"));
        QVERIFY(SplitPiece(pieces, 4).isEmpty());
        QVERIFY(SplitPiece(pieces, -1).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSplit)
#include "tst_split.moc"

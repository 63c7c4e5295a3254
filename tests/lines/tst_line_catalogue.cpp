#include "lines/line_catalogue.h"
#include "lines/line_record.h"

#include <QTest>

using namespace kvt;

namespace {

// A server list with the shapes the parser has to cope with. The scrambled fields are
// "10.0.0.1", "1.2.3.4", "192.168.10.20" and "h.example.org".
const QString kDocument = QStringLiteral("; server list\n"
                                         "stray=before any area\n"
                                         "  [ \u534e\u4e1c ]  \n"
                                         "line1 = k1ha1VVFYVRVTTBkMDFV, 80% ,x, 1 ,y\n"
                                         "\tLine2=E9RUVVE5IbRHcE5kVTE,50%\n"
                                         "empty=\n"
                                         "no equals sign here\n"
                                         "   ; indented comment=1\n"
                                         "\n"
                                         "LINE1=FBRelVWEzbRHcEZNazFSNFRVTTBlVTFC,10%,,2\n"
                                         "[HuaNan]\n"
                                         "a=b=c\n"
                                         "[huanan]\n"
                                         "only-in-second=GpSM1RE5XepVZEdkR0Zoc1RHMDVlVnAz,1,2,3\n"
                                         "[]\n"
                                         "=nameless\n"
                                         "[last]");

} // namespace

class TestLineCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void areas_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("document order, duplicates and empty names kept")
            << kDocument
            << QStringList{QStringLiteral("\u534e\u4e1c"), "HuaNan", "huanan", "", "last"};
        QTest::newRow("empty text") << "" << QStringList{};
        QTest::newRow("not an INI text") << "<html>\r\n<body>error</body>" << QStringList{};
        QTest::newRow("CR LF and lone CR end lines") << "[a]\r\nx=1\r[b]\r\n"
                                                     << QStringList{"a", "b"};
        QTest::newRow("bracket alone is no area") << "[\n]\n[x\n" << QStringList{};
    }
    void areas() {
        QFETCH(QString, document);
        QFETCH(QStringList, expected);
        const LineCatalogue catalogue = LineCatalogue::fromText(document);
        QCOMPARE(catalogue.areas(), expected);
        QCOMPARE(catalogue.isEmpty(), expected.isEmpty());
    }

    void lineNames_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("entries in order, empty value and duplicate kept")
            << QStringLiteral("\u534e\u4e1c") << QStringList{"line1", "Line2", "empty", "LINE1"};
        QTest::newRow("case-insensitive area") << "HUANAN" << QStringList{"a"};
        QTest::newRow("duplicate area shows the first one's lines") << "huanan" << QStringList{"a"};
        QTest::newRow("empty area name") << "" << QStringList{""};
        QTest::newRow("area without lines") << "last" << QStringList{};
        QTest::newRow("missing area") << "nowhere" << QStringList{};
    }
    void lineNames() {
        QFETCH(QString, area);
        QFETCH(QStringList, expected);
        QCOMPARE(LineCatalogue::fromText(kDocument).lineNames(area), expected);
    }

    void lookup_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        const QString east = QStringLiteral("\u534e\u4e1c");
        QTest::newRow("value trimmed, inner spaces kept") << east << "line1"
                                                          << "k1ha1VVFYVRVTTBkMDFV, 80% ,x, 1 ,y";
        QTest::newRow("duplicate name reads the first entry")
            << east << "LINE1"
            << "k1ha1VVFYVRVTTBkMDFV, 80% ,x, 1 ,y";
        QTest::newRow("case-insensitive line") << east << "line2"
                                               << "E9RUVVE5IbRHcE5kVTE,50%";
        QTest::newRow("empty value") << east << "empty"
                                     << "";
        QTest::newRow("split at the first equals sign") << "HuaNan"
                                                        << "a"
                                                        << "b=c";
        QTest::newRow("line only in the shadowed duplicate area") << "huanan"
                                                                  << "only-in-second"
                                                                  << "";
        QTest::newRow("nameless entry") << ""
                                        << ""
                                        << "nameless";
        QTest::newRow("line without equals sign is ignored") << east << "no equals sign here"
                                                             << "";
        QTest::newRow("comment is no entry") << east << "; indented comment"
                                             << "";
        QTest::newRow("missing line") << east << "line9"
                                      << "";
        QTest::newRow("missing area") << "nowhere"
                                      << "line1"
                                      << "";
        QTest::newRow("line before the first area") << ""
                                                    << "stray"
                                                    << "";
    }
    void lookup() {
        QFETCH(QString, area);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(LineCatalogue::fromText(kDocument).value(area, line), expected);
    }

    // Case is ignored beyond ASCII too, including letters outside the Basic Multilingual Plane.
    void lookupFoldsCase_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Latin-1 letters") << QStringLiteral("\u00e4REA") << "x"
                                         << "1";
        QTest::newRow("Greek final sigma")
            << QStringLiteral("\u00c4rea") << QStringLiteral("\u03c3\u03c2") << "2";
        QTest::newRow("Deseret") << QStringLiteral("\u00c4rea") << QStringLiteral("\U00010428")
                                 << "3";
        QTest::newRow("lone surrogate matches itself")
            << QStringLiteral("\u00c4rea") << QString(QChar(0xd801)) << "4";
        QTest::newRow("different letters") << QStringLiteral("\u00c4rea") << "X2"
                                           << "";
    }
    void lookupFoldsCase() {
        QFETCH(QString, area);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        const LineCatalogue catalogue = LineCatalogue::fromText(
            QStringLiteral("[\u00c4rea]\nX=1\n\u03a3\u03a3=2\n\U00010400=3\n") + QChar(0xd801) +
            QStringLiteral("=4\n"));
        QCOMPARE(catalogue.value(area, line), expected);
    }

    // Enough areas and lines to make the lookup tables grow several times.
    void everyLineOfALargeListIsFound() {
        QString document;
        for (int a = 0; a < 300; ++a) {
            document += QStringLiteral("[Area %1]\r\n").arg(a);
            for (int i = 0; i < 40; ++i)
                document += QStringLiteral("Line %1=v%2-%1\r\n").arg(i).arg(a);
        }
        const LineCatalogue catalogue = LineCatalogue::fromText(document);
        QCOMPARE(catalogue.areas().size(), 300);
        for (int a = 0; a < 300; ++a)
            for (int i = 0; i < 40; ++i)
                QCOMPARE(catalogue.value(QStringLiteral("AREA %1").arg(a),
                                         QStringLiteral("line %1").arg(i)),
                         QStringLiteral("v%2-%1").arg(i).arg(a));
    }

    void lineRecord_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("onlinerate");
        QTest::addColumn<QString>("marknum");
        QTest::newRow("four pieces") << "k1ha1VVFYVRVTTBkMDFV,80%,x,1"
                                     << "10.0.0.1"
                                     << "80%"
                                     << "1";
        QTest::newRow("five pieces") << "E9RUVVE5IbRHcE5kVTE,50%,x,2,y"
                                     << "1.2.3.4"
                                     << "50%"
                                     << "2";
        QTest::newRow("empty second piece moves the rest up") << "k1ha1VVFYVRVTTBkMDFV,,x,1"
                                                              << "10.0.0.1"
                                                              << "x"
                                                              << "";
        QTest::newRow("trailing comma keeps an empty last piece") << "k1ha1VVFYVRVTTBkMDFV,80%,x,"
                                                                  << "10.0.0.1"
                                                                  << "80%"
                                                                  << "";
        QTest::newRow("no comma") << "k1ha1VVFYVRVTTBkMDFV"
                                  << "10.0.0.1"
                                  << ""
                                  << "";
        QTest::newRow("empty address piece dropped")
            << ",80%,x,1"
            << "" // "80%" is taken as the address and is too short to give a byte
            << "x"
            << "";
    }
    void lineRecord() {
        QFETCH(QString, value);
        QFETCH(QString, ip);
        QFETCH(QString, onlinerate);
        QFETCH(QString, marknum);
        const ps record = MakeLineRecord(QStringLiteral("n1"), value);
        QCOMPARE(record.name, QStringLiteral("n1"));
        QCOMPARE(record.ip, ip);
        QCOMPARE(record.delay, QStringLiteral("NA"));
        QCOMPARE(record.onlinerate, onlinerate);
        QCOMPARE(record.marknum, marknum);
        QCOMPARE(record.losttimes, 0);
        QVERIFY(record.lostpacket.isEmpty());
        QVERIFY(record.sendtimes.isEmpty());
        QVERIFY(record.l2tpstatus.isEmpty());
    }

    void areaRows_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("ips");
        const QString east = QStringLiteral("\u534e\u4e1c");
        // The empty entry has no row; the duplicate LINE1 reads line1's value.
        QTest::newRow("document order") << east << QStringList{"line1", "Line2", "LINE1"}
                                        << QStringList{"10.0.0.1", "1.2.3.4", "10.0.0.1"};
        QTest::newRow("duplicate area") << "HUANAN" << QStringList{"a"} << QStringList{""};
        QTest::newRow("missing area") << "nowhere" << QStringList{} << QStringList{};
    }
    void areaRows() {
        QFETCH(QString, area);
        QFETCH(QStringList, names);
        QFETCH(QStringList, ips);
        const QList<ps> rows = MakeAreaRows(LineCatalogue::fromText(kDocument), area);
        QStringList gotNames, gotIps;
        for (const ps& row : rows) {
            gotNames.append(row.name);
            gotIps.append(row.ip);
        }
        QCOMPARE(gotNames, names);
        QCOMPARE(gotIps, ips);
    }

    void rowsUseTrimmedFields() {
        const QList<ps> rows =
            MakeAreaRows(LineCatalogue::fromText(kDocument), QStringLiteral("\u534e\u4e1c"));
        QVERIFY(!rows.isEmpty());
        // Only the value as a whole is trimmed; spaces around the commas stay in the fields.
        QCOMPARE(rows.first().onlinerate, QStringLiteral(" 80% "));
        QCOMPARE(rows.first().marknum, QStringLiteral(" 1 "));
    }

    void replaceSwapsTheWholeDocument() {
        ReplaceLineCatalogue(QStringLiteral("[a]\nx=1\n[b]\ny=2\n"));
        QCOMPARE(CurrentLineCatalogue().areas(), (QStringList{"a", "b"}));
        ReplaceLineCatalogue(QStringLiteral("[c]\nz=3\n"));
        QCOMPARE(CurrentLineCatalogue().areas(), QStringList{"c"});
        QVERIFY(CurrentLineCatalogue().value(QStringLiteral("a"), QStringLiteral("x")).isEmpty());
        QCOMPARE(CurrentLineCatalogue().value(QStringLiteral("C"), QStringLiteral("Z")),
                 QStringLiteral("3"));
        ReplaceLineCatalogue(QString());
        QVERIFY(CurrentLineCatalogue().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLineCatalogue)
#include "tst_line_catalogue.moc"

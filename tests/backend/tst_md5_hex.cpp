#include "backend/md5_hex.h"

#include <QRegularExpression>
#include <QTest>

using namespace kvt;

class TestMd5Hex : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void digests_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digest");
        // The test suite of RFC 1321, appendix A.5.
        QTest::newRow("empty") << ""
                               << "d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("a") << "a"
                           << "0cc175b9c0f1b6a831c399e269772661";
        QTest::newRow("abc") << "abc"
                             << "900150983cd24fb0d6963f7d28e17f72";
        QTest::newRow("message digest") << "message digest"
                                        << "f96b697d7cb7938d525a2f31aaf161d0";
        QTest::newRow("alphabet") << "abcdefghijklmnopqrstuvwxyz"
                                  << "c3fcd3d76192e4007dfb496cca67e13b";
        QTest::newRow("alphanumerics")
            << "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
            << "d174ab98d277d9f5a5611c2c9f419d9f";
        QTest::newRow("eighty digits")
            << QStringLiteral("1234567890").repeated(8) << "57edf4a22be3c955ac49da2e2107b67a";
        // Chinese text hashes its three-byte UTF-8 forms (E4 B8 AD E6 96 87); the GBK bytes
        // D6 D0 CE C4 would give bcce109775e8e1972e9f5fcda3e12895.
        QTest::newRow("Chinese as UTF-8")
            << QStringLiteral("中文") << "a7bac2239fcdcb3a067903d8077c4a07";
        QTest::newRow("mixed") << QStringLiteral("Varnok动态加速器")
                               << "351f292624eecf59edc32bbbba11b5ed";
    }
    void digests() {
        QFETCH(QString, text);
        QFETCH(QString, digest);
        const QString result = Md5Hex(text);
        QCOMPARE(result, digest);
        static const QRegularExpression lowerHex(QStringLiteral("^[0-9a-f]{32}$"));
        QVERIFY(lowerHex.match(result).hasMatch());
    }
};

QTEST_GUILESS_MAIN(TestMd5Hex)
#include "tst_md5_hex.moc"

#include "app/text_decoding.h"
#include "scrambler.h"

#include <QRandomGenerator>
#include <QTest>

#include <string>

using namespace kvt;

namespace {

QString fromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// Texts of every length 0..40 so that each pass meets a text shorter than one block, between
// one and two blocks, and longer than two blocks; bytes are drawn from `pool`.
std::string sample(QRandomGenerator& rng, std::size_t length, const std::string& pool) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text.push_back(pool[rng.bounded(quint32(pool.size()))]);
    return text;
}

std::string allBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(char(b));
    return bytes;
}

} // namespace

class TestScramblerRoundtrip : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundtrip_data() {
        QTest::addColumn<QByteArray>("pool");
        QTest::newRow("address characters") << QByteArray("0123456789.abcdefghijklmnopqrstuvwxyz-");
        QTest::newRow("printable ASCII") << QByteArray(
            " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop"
            "qrstuvwxyz{|}~");
        QTest::newRow("every byte") << QByteArray::fromStdString(allBytes());
        QTest::newRow("bytes above 127 only") << QByteArray::fromStdString(allBytes().substr(128));
    }
    void roundtrip() {
        QFETCH(QByteArray, pool);
        const std::string bytes = pool.toStdString();
        QRandomGenerator rng(20240611);
        for (std::size_t length = 0; length <= 40; ++length) {
            for (int round = 0; round < 8; ++round) {
                const std::string plain = sample(rng, length, bytes);
                const QString expected = fromBytes(plain);

                const std::string address = server::scrambleShort(plain);
                QCOMPARE(UnscrambleShort(fromBytes(address)), expected);

                const std::string password = server::scrambleLong(plain);
                QCOMPARE(UnscrambleLong(fromBytes(password)), expected);
                const std::string filler = sample(rng, round, bytes);
                QCOMPARE(UnscrambleLong(fromBytes(server::scrambleLong(plain, filler))), expected);

                const std::string user = server::scrambleUserName(plain);
                QCOMPARE(Base64ToText(Base64ToText(fromBytes(user))), expected);
            }
        }
    }

    // The scrambled forms stay within the alphabet the client decodes, without padding.
    void scrambledFormsUseTheAlphabetOnly() {
        const std::string alphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const std::string plain = allBytes();
        for (const std::string& scrambled :
             {server::scrambleShort(plain), server::scrambleLong(plain),
              server::scrambleUserName(plain), server::scrambleShort("10.0.0.1")})
            QVERIFY2(scrambled.find_first_not_of(alphabet) == std::string::npos, scrambled.c_str());
    }

    // A field produced elsewhere by the same recipe (Base64 without padding, then the swap of
    // the first two blocks with 4, 7, 5) matches the backend's output byte for byte.
    void knownAddress() {
        QCOMPARE(server::scrambleShort("10.0.0.1"), std::string("k1ha1VVFYVRVTTBkMDFV"));
        QCOMPARE(server::scrambleShort("vpn1.example.net"),
                 std::string("mxSMFdVFuVRWTTFiR1JaMFkwZDRiRXh0Tld4a1FR"));
    }
};

QTEST_GUILESS_MAIN(TestScramblerRoundtrip)
#include "tst_scrambler_roundtrip.moc"

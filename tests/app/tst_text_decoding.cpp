#include "app/text_decoding.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QTest>

using namespace kvt;

namespace {
// Decoded text as code units 0-255, written as bytes.
QString units(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}
} // namespace

class TestTextDecoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void base64ToText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("two characters give one") << "QQ"
                                                 << "A";
        QTest::newRow("one padding sign ignored") << "QQ="
                                                  << "A";
        QTest::newRow("two padding signs ignored") << "QQ=="
                                                   << "A";
        QTest::newRow("three characters give two") << "QUI"
                                                   << "AB";
        QTest::newRow("padded group of three") << "QUI="
                                               << "AB";
        QTest::newRow("full group") << "QUJD"
                                    << "ABC";
        QTest::newRow("full group and two") << "QUJDRA"
                                            << "ABCD";
        QTest::newRow("single character gives nothing") << "Q"
                                                        << "";
        QTest::newRow("left-over character after a group") << "QUJDR"
                                                           << "ABC";
        QTest::newRow("only padding") << "=="
                                      << "";
        QTest::newRow("lone padding") << "="
                                      << "";
        // Bytes of a UTF-8 Chinese character stay three separate code units.
        QTest::newRow("bytes above 127 stay bytes") << "5Lit" << units("\xe4\xb8\xad");
        QTest::newRow("all ones") << "////" << units("\xff\xff\xff");
        QTest::newRow("zero bytes") << "AAAA" << QString(3, QChar(0));
        // Only two "=" are padding: the third counts as a character outside the alphabet.
        QTest::newRow("third padding sign is a character") << "QQ===" << units("A\x0f");
        QTest::newRow("inner padding sign is outside the alphabet") << "Q=Q=" << units("C\xf4");
        QTest::newRow("outside the alphabet is position -1") << "!!!!" << units("\xff\xff\xff");
        QTest::newRow("code unit above 255 is outside the alphabet")
            << QStringLiteral("\u4e2dAAA") << units(QByteArray("\xfc\x00\x00", 3));
        QTest::newRow("white space is outside the alphabet") << "QQ\nA" << units("A\x0f\xc0");
    }
    void base64ToText() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString decoded = Base64ToText(text);
        QCOMPARE(decoded, expected);
        for (const QChar c : decoded)
            QVERIFY(c.unicode() <= 0xFF);
    }

    // Any byte string encoded by a standard encoder, with or without padding, comes back.
    void base64ToTextInvertsStandardEncoding() {
        QRandomGenerator rng(4711);
        for (int length = 0; length < 64; ++length) {
            QByteArray bytes(length, Qt::Uninitialized);
            for (char& b : bytes)
                b = char(rng.bounded(256));
            const QString padded = QString::fromLatin1(bytes.toBase64());
            const QString bare = QString::fromLatin1(
                bytes.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals));
            QCOMPARE(Base64ToText(padded), units(bytes));
            QCOMPARE(Base64ToText(bare), units(bytes));
        }
    }

    void blockSwap_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << "" << 5 << "";
        QTest::newRow("shorter than a block") << "abc" << 5 << "abc";
        QTest::newRow("exactly one block") << "abcde" << 5 << "abcde";
        QTest::newRow("one character into the second block") << "abcdef" << 5 << "fabcde";
        QTest::newRow("short second block") << "abcdefgh" << 5 << "fghabcde";
        QTest::newRow("two whole blocks") << "abcdefghij" << 5 << "fghijabcde";
        QTest::newRow("rest kept in place") << "abcdefghijklm" << 5 << "fghijabcdeklm";
        QTest::newRow("blocks of three") << "abcdefg" << 3 << "defabcg";
        QTest::newRow("zero block length") << "abc" << 0 << "abc";
        QTest::newRow("negative block length") << "abc" << -2 << "abc";
    }
    void blockSwap() {
        QFETCH(QString, text);
        QFETCH(int, n);
        QFETCH(QString, expected);
        QCOMPARE(BlockSwap(text, n), expected);
    }

    // Fields produced independently of the backend code, by Base64 without padding and the
    // swap of the first two blocks, in reverse order of the decoder's passes.
    void unscrambleShort_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dotted address") << "k1ha1VVFYVRWTTBlVTEw"
                                        << "10.1.2.3";
        QTest::newRow("host name") << "mxSMFdVFuVRWTTFiR1JaMFkwZDRiRXh0Tld4a1FR"
                                   << "vpn1.example.net";
        QTest::newRow("bytes above 127") << "4cGRBTlV" << units("\xe4\xb8\xad");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("too short for any byte") << "abc"
                                                << "";
    }
    void unscrambleShort() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(UnscrambleShort(text), expected);
    }

    void unscrambleLong_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("password")
            << "VmxjeGIxUnJNVmhQVkU1V1ltNUNlbFJYZUhOamJHUlZVMjA1V0ZKc1dsWlZNblF3VlRGYWMxTnFRbHBo"
               "TWxFd1dWWmFZVlpXU25GV2JHUk9WbXR3UlZaclpIcGxSazVYVW01V2FHUjM"
            << units("p@ss\xe9word");
        // After the third step only the eight filler characters (or fewer) are left.
        QTest::newRow("eight characters after step three")
            << "V1RCVk1WWXhTbGhrZWtwV1lURndWMXBXV2xOa1ZscElUVmR2"
            << "";
        QTest::newRow("seven characters after step three")
            << "VjJ0Vk1WWXhTbGhrZWtwV1lURndWMXBXV2xOa1ZscElXWGM"
            << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("garbage") << "!!"
                                 << "";
    }
    void unscrambleLong() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(UnscrambleLong(text), expected);
    }

    void stripSpaces_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces between") << "a  b c"
                                        << "abc";
        QTest::newRow("leading and trailing") << "  10.0.0.1 "
                                              << "10.0.0.1";
        QTest::newRow("only spaces") << "   "
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no spaces") << "abc"
                                   << "abc";
        QTest::newRow("other white space stays") << QStringLiteral("a\tb\u00a0c\r\n d\u3000")
                                                 << QStringLiteral("a\tb\u00a0c\r\nd\u3000");
    }
    void stripSpaces() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(StripSpaces(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextDecoding)
#include "tst_text_decoding.moc"

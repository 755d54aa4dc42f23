// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CipherText.h"
#include "base/FieldCipher.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

namespace {
// The cipher as written down, one block at a time: the reference for the routines that work on many blocks.
QString Reference(const FieldCipher& cipher, QString text, int method, bool encipher) {
    if (text.isEmpty() || (method != 1 && method != 2))
        return text;
    if (method == 2 && encipher)
        text = FieldCipher::SubstituteText(text, true);
    text.resize((text.size() + 3) / 4 * 4, QChar(0));
    QString out;
    for (qsizetype b = 0; b < text.size(); b += 4) {
        std::uint32_t y = text[b].unicode() | (std::uint32_t(text[b + 1].unicode()) << 16);
        std::uint32_t z = text[b + 2].unicode() | (std::uint32_t(text[b + 3].unicode()) << 16);
        cipher.Block(y, z, encipher);
        for (std::uint32_t unit : {y & 0xFFFF, y >> 16, z & 0xFFFF, z >> 16}) {
            if (encipher || unit != 0)
                out += QChar(char16_t(unit));
        }
    }
    return method == 2 && !encipher ? FieldCipher::SubstituteText(out, false) : out;
}
} // namespace

class TestFieldCipher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Published XTEA vectors (32 cycles), key and block words read big-endian as they are printed.
    void blockMatchesPublishedVectors_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("cipher");
        QTest::newRow("zero key, zero block")
            << QStringLiteral("00000000000000000000000000000000") << QStringLiteral("0000000000000000")
            << QStringLiteral("dee9d4d8f7131ed9");
        QTest::newRow("counting key") << QStringLiteral("000102030405060708090a0b0c0d0e0f")
                                      << QStringLiteral("4142434445464748") << QStringLiteral("497df3d072612cb5");
        QTest::newRow("zero key, letters") << QStringLiteral("00000000000000000000000000000000")
                                           << QStringLiteral("4142434445464748") << QStringLiteral("a0390589f8b8efa5");
    }

    void blockMatchesPublishedVectors() {
        QFETCH(QString, key);
        QFETCH(QString, plain);
        QFETCH(QString, cipher);
        auto word = [](const QString& hex, int i) { return hex.mid(i * 8, 8).toUInt(nullptr, 16); };
        const FieldCipher f({word(key, 0), word(key, 1), word(key, 2), word(key, 3)});
        std::uint32_t y = word(plain, 0), z = word(plain, 1);
        f.Block(y, z, true);
        QCOMPARE(y, word(cipher, 0));
        QCOMPARE(z, word(cipher, 1));
        f.Block(y, z, false);
        QCOMPARE(y, word(plain, 0));
        QCOMPARE(z, word(plain, 1));
    }

    // Every wallet ever saved was enciphered with the program's key: these units, taken from a build, must never
    // change, whatever else does. Rows cover a padded last block, a block that enciphers to a zero unit (which the
    // file must keep), characters beyond the BMP, and enough blocks to fill the side-by-side lanes twice.
    void programKeyKnownAnswers_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("units");
        const QString zurich = QString::fromUtf8("Z\u00fcrich \U0001F511");
        const QString account = QStringLiteral("Account 12-3456-7890 / PIN 0042");
        QTest::newRow("1: one unit, padded") << 1 << QStringLiteral("A") << "AEE3 0766 227C 5A35";
        QTest::newRow("1: one full block") << 1 << QStringLiteral("Bank") << "A833 7CC9 B5D3 9566";
        QTest::newRow("1: last block padded")
            << 1 << QStringLiteral("Hello") << "A146 01C4 631A F7E3 386C 0CCF 067C 7719";
        QTest::newRow("1: beyond the BMP")
            << 1 << zurich << "EA50 7F80 47DA 0767 A7C0 016A 6F8B 0DB1 CFDC 34E8 EB52 06AD";
        QTest::newRow("1: zero unit") << 1 << QStringLiteral("07hp") << "CE1E A299 0000 690E";
        QTest::newRow("1: eight blocks") << 1 << account
                                         << "AD31 FEBF 3F9D 56C2 4320 D1CF 2873 E848 7F3D 60C0 F486 1280 CD36 BB4A "
                                            "1563 F22C 113C 8E9C 6DFC 57BE 213C CD84 7710 C8D8 CFE8 E577 5D9E 5C33 "
                                            "52FE 1A22 6575 4375";
        QTest::newRow("2: one unit, padded") << 2 << QStringLiteral("A") << "8974 CF43 CA4D 056F";
        QTest::newRow("2: one full block") << 2 << QStringLiteral("Bank") << "D0A0 D4EE 66B8 0177";
        QTest::newRow("2: last block padded")
            << 2 << QStringLiteral("Hello") << "8B70 7EA7 FCBD 9F7F 0A94 AAF0 33E7 6AF0";
        QTest::newRow("2: beyond the BMP")
            << 2 << zurich << "3E0F F25A B0FF 3F19 D04B 6735 EAAE 8145 3C8E 38AC 2632 028E";
        QTest::newRow("2: zero unit") << 2 << QStringLiteral("05ZQ") << "0000 CD41 1949 FCDD";
        QTest::newRow("2: eight blocks") << 2 << account
                                         << "6D63 BDB7 7462 B6B1 8F42 2955 E905 EAEA CC66 1C0B 6A4D 937F 3580 DBBD "
                                            "3DDB 3D7E 7655 3D5F 28FB C588 4904 5571 2FE4 B84F E000 1AC9 07A8 6E91 "
                                            "CA35 85F2 93F4 D4AF";
    }

    void programKeyKnownAnswers() {
        QFETCH(int, method);
        QFETCH(QString, text);
        QFETCH(QString, units);
        QStringList enciphered;
        for (const QChar unit : CipherText(text, true, method))
            enciphered.append(QStringLiteral("%1").arg(unit.unicode(), 4, 16, QChar(u'0')).toUpper());
        QCOMPARE(enciphered.join(u' '), units);
        QString stored;
        for (const QString& unit : units.split(u' '))
            stored.append(QChar(char16_t(unit.toUShort(nullptr, 16))));
        QCOMPARE(CipherText(stored, false, method), text);
    }

    void blockTextLengthsAndRoundTrips_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cipheredLength");
        for (int method : {1, 2}) {
            const QByteArray m = QByteArray::number(method);
            QTest::newRow("one unit " + m) << method << QStringLiteral("7") << 4;
            QTest::newRow("four units " + m) << method << QStringLiteral("1234") << 4;
            QTest::newRow("five units " + m) << method << QStringLiteral("12345") << 8;
            QTest::newRow("non-latin " + m) << method << QString::fromUtf8("Zürich 東京 🔑") << 12;
            QTest::newRow("long " + m) << method << QString(1001, u'x') << 1004;
        }
    }

    void blockTextLengthsAndRoundTrips() {
        QFETCH(int, method);
        QFETCH(QString, text);
        QFETCH(int, cipheredLength);
        const QString ciphered = CipherText(text, true, method);
        QCOMPARE(ciphered.size(), cipheredLength);
        QVERIFY(ciphered != text.left(cipheredLength));
        QCOMPARE(CipherText(ciphered, false, method), text);
    }

    void emptyAndUnknownMethodsPassTextUnchanged() {
        const QString text = QStringLiteral("Secret 1234");
        for (int method : {0, 1, 2, 3, -1, 77}) {
            QCOMPARE(CipherText(QString(), true, method), QString());
            QCOMPARE(CipherText(QString(), false, method), QString());
            if (method != 1 && method != 2) {
                QCOMPARE(CipherText(text, true, method), text);
                QCOMPARE(CipherText(text, false, method), text);
            }
        }
    }

    void substitutionMapsUnitsBothWays() {
        QCOMPARE(FieldCipher::SubstituteText(QStringLiteral("A"), true), QString(QChar(0x0087)));
        QCOMPARE(FieldCipher::SubstituteText(QString(QChar(0x0087)), false), QStringLiteral("A"));
        // The substitution is a bijection on 16-bit units, wrap-around included.
        QString all(0x10000, Qt::Uninitialized);
        for (int u = 0; u < 0x10000; ++u)
            all[u] = QChar(char16_t(u));
        const QString there = FieldCipher::SubstituteText(all, true);
        QCOMPARE(FieldCipher::SubstituteText(there, false), all);
    }

    void methodTwoDiffersFromMethodOne() {
        const QString text = QStringLiteral("Account 0042");
        const QString one = CipherText(text, true, FieldCipher::BlockOnly);
        const QString two = CipherText(text, true, FieldCipher::SubstituteThenBlock);
        QVERIFY(one != two);
        // Deciphering under another method than the one that enciphered gives garbage, not the text.
        QVERIFY(CipherText(one, false, FieldCipher::SubstituteThenBlock) != text);
    }

    // The batch must give what the one-text routine gives, for every length (so every padding), for any units (zero
    // units and damaged enciphered texts of any length included), with the lanes filled across texts, and in a batch
    // large enough to be spread over threads.
    void batchMatchesOneText_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("copies");
        for (int method : {0, 1, 2, 7}) {
            QTest::addRow("method %d, one thread", method) << method << 1;
            QTest::addRow("method %d, spread", method) << method << 40;
        }
    }

    void batchMatchesOneText() {
        QFETCH(int, method);
        QFETCH(int, copies);
        QRandomGenerator random(quint32(method * 100 + copies));
        QList<QString> texts, originals;
        for (int copy = 0; copy < copies; ++copy) {
            for (int length = 0; length <= 70; ++length) {
                QString text(length, Qt::Uninitialized);
                for (QChar& c : text)
                    c = QChar(char16_t(random.bounded(4) == 0 ? random.bounded(3) : random.bounded(0x10000)));
                texts.append(text);
                originals.append(QString(text.constData(), text.size()));
            }
        }
        const FieldCipher cipher;
        for (bool encipher : {true, false}) {
            QList<QString> batch = texts;
            std::vector<QString*> pointers;
            for (QString& text : batch)
                pointers.push_back(&text);
            cipher.TransformAll(pointers, method, encipher);
            // The same texts as pieces of one buffer, each with room for its padding, as a card keeps its values.
            std::vector<char16_t> pieceUnits;
            std::vector<quint32> lengths;
            std::vector<qsizetype> starts;
            for (const QString& text : texts) {
                starts.push_back(qsizetype(pieceUnits.size()));
                lengths.push_back(quint32(text.size()));
                pieceUnits.insert(pieceUnits.end(), text.utf16(), text.utf16() + text.size());
                pieceUnits.resize(pieceUnits.size() + size_t((4 - text.size() % 4) % 4), char16_t(0xFFFF));
            }
            std::vector<CipherPiece> pieces;
            for (size_t i = 0; i < starts.size(); ++i)
                pieces.push_back({pieceUnits.data() + starts[i], &lengths[i]});
            cipher.TransformAll(pieces, method, encipher);
            for (qsizetype i = 0; i < texts.size(); ++i) {
                QCOMPARE(cipher.Transform(texts[i], method, encipher), Reference(cipher, texts[i], method, encipher));
                QCOMPARE(batch[i], cipher.Transform(texts[i], method, encipher));
                QCOMPARE(QStringView(pieceUnits.data() + starts[size_t(i)], lengths[size_t(i)]), QStringView(batch[i]));
            }
            if (encipher) {
                // Enciphering into one buffer gives the same texts one after another.
                const std::vector<QStringView> sources(texts.begin(), texts.end());
                std::vector<char16_t> units;
                std::vector<qsizetype> ends;
                cipher.EncipherInto(sources, method, units, ends);
                QCOMPARE(qsizetype(units.size()), ends.empty() ? 0 : ends.back());
                for (qsizetype i = 0, start = 0; i < texts.size(); start = ends[size_t(i++)])
                    QCOMPARE(QStringView(units.data() + start, ends[size_t(i)] - start), QStringView(batch[i]));
                cipher.TransformAll(pointers, method, false);
                for (qsizetype i = 0; i < texts.size(); ++i)
                    QCOMPARE(batch[i], cipher.Transform(cipher.Transform(texts[i], method, true), method, false));
            }
        }
        // The batch was given copies that shared their buffers with these texts: the texts stay as they were.
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(texts[i], originals[i]);
    }

    void cipheredTextsKeepZeroUnits() {
        // Some block outputs hold zero units; they are part of the ciphered text and must survive until deciphering.
        int withZero = 0;
        for (int i = 0; i < 1000000 && withZero == 0; ++i) {
            const QString text = QString(QChar(0x100 + (i & 0xFFF))) + QChar(0x100 + (i >> 12)) + QStringLiteral("xy");
            const QString ciphered = CipherText(text, true, FieldCipher::BlockOnly);
            if (ciphered.contains(QChar(0))) {
                ++withZero;
                QCOMPARE(CipherText(ciphered, false, FieldCipher::BlockOnly), text);
            }
        }
        QVERIFY(withZero > 0);
    }
};

QTEST_APPLESS_MAIN(TestFieldCipher)
#include "TestFieldCipher.moc"

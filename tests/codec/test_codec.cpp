// The bits text and the bits edit rule, without any widget.
#include "BitsCodec.h"
#include "CurrentCode.h"

#include <QtTest>

using codec::BitsToValue;
using codec::IsWellFormedBits;
using codec::kBitsTemplate;
using codec::NormaliseBits;
using codec::ValueToBits;

namespace {

const QByteArray kTemplate(kBitsTemplate);

// The six digits of a bits text, most significant first.
QByteArray Digits(const QByteArray& text)
{
    QByteArray digits;
    for (int position : {7, 10, 14, 17, 20, 23})
        digits += text.at(position);
    return digits;
}

QByteArray Without(QByteArray text, int position)
{
    return text.remove(position, 1);
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT

private slots:
    void valueToBitsWritesTheCodeInBaseTwo_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("digits");
        QTest::newRow("0") << 0 << QByteArray("000000");
        QTest::newRow("1") << 1 << QByteArray("000001");
        QTest::newRow("5") << 5 << QByteArray("000101");
        QTest::newRow("37") << 37 << QByteArray("100101");
        QTest::newRow("42") << 42 << QByteArray("101010");
        QTest::newRow("63") << 63 << QByteArray("111111");
    }
    void valueToBitsWritesTheCodeInBaseTwo()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, digits);
        const QByteArray text = ValueToBits(code);
        QCOMPARE(Digits(text), digits);
        // Everything but the digits is the template's.
        QByteArray layout = text;
        for (int position : {7, 10, 14, 17, 20, 23})
            layout[position] = '0';
        QCOMPARE(layout, kTemplate);
    }

    void codesOutsideTheRangeGiveTheTemplate()
    {
        for (int code : {64, 100, 255, -1, -64, 1000})
            QCOMPARE(ValueToBits(code), kTemplate);
    }

    void everyCodeRoundTrips()
    {
        for (int code = 0; code <= 63; ++code) {
            QVERIFY(IsWellFormedBits(ValueToBits(code)));
            QCOMPARE(BitsToValue(ValueToBits(code)), code);
        }
        QVERIFY(!IsWellFormedBits(Without(kTemplate, 10) + '1'));  // 17 blanks, digits shifted
    }

    // A code's current and back: only the 64 steps of 0.5 mA are codes.
    void currentsAreTheSixtyFourSteps()
    {
        QCOMPARE(codec::CurrentNumberText(0), QString("0.5"));
        QCOMPARE(codec::CurrentNumberText(37), QString("19.0"));
        QCOMPARE(codec::CurrentNumberText(63), QString("32.0"));
        int code = -1;
        for (const auto& [milliamps, expected] : {std::pair{0.5, 0}, {12.5, 24}, {32.0, 63}}) {
            QVERIFY(codec::CodeOfCurrent(milliamps, &code));
            QCOMPARE(code, expected);
        }
        for (double milliamps : {12.3, 0.0, 32.5, -0.5, qQNaN(), qInf()})
            QVERIFY2(!codec::CodeOfCurrent(milliamps, &code), qPrintable(QString::number(milliamps)));
    }

    void bitsToValueReadsWhateverStandsAtTheDigitPositions()
    {
        QCOMPARE(BitsToValue(Without(kTemplate, 7)), -1008);
        QCOMPARE(BitsToValue(Without(kTemplate, 23)), -16);
        QCOMPARE(BitsToValue(Without(ValueToBits(37), 23)), 20);
        QCOMPARE(BitsToValue(Without(kTemplate, 10) + '1'), -496);
        // High bytes count as signed characters.
        QByteArray high = kTemplate;
        high[23] = char(0xFF);
        QCOMPARE(BitsToValue(high), -49);
    }

    void bitsToValueNeverReadsPastTheText()
    {
        // Missing characters count as blanks.
        QCOMPARE(BitsToValue(QByteArray()), -1008);
        QCOMPARE(BitsToValue(kTemplate.left(22)), -16);
        QCOMPARE(BitsToValue(kTemplate.left(23)), -16);
        QCOMPARE(BitsToValue(kTemplate.left(24)), 0);
    }

    void normaliseRepairsTheFixedPrefixAndForeignCharacters()
    {
        QCOMPARE(NormaliseBits(QByteArray("aYbcZ  1  0   0  1  0  1 ")), QByteArray(" X  X  1  0   0  1  0  1 "));
        // An 'X' past position 4 is a foreign character; blanks and digits never move.
        QCOMPARE(NormaliseBits(QByteArray(" X  XX 7  0   0  1  0  1 ")), QByteArray(" X  X0 0  0   0  1  0  1 "));
    }

};

QTEST_APPLESS_MAIN(TestCodec)
#include "test_codec.moc"

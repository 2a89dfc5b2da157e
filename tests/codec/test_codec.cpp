// Bits texts, current codes and the bits edit rule, without any widget.
#include "BitsCodec.h"
#include "CurrentCode.h"

#include <QtTest>

using namespace codec;

namespace {

const QByteArray kTemplate(kBitsTemplate);

QByteArray Without(QByteArray text, int position)
{
    return text.remove(position, 1);
}

QByteArray With(QByteArray text, int position, char character)
{
    text[position] = character;
    return text;
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT

private slots:
    void codesAndBitsTexts()
    {
        for (const auto& [code, digits] : {std::pair{0, "000000"}, {1, "000001"}, {5, "000101"}, {37, "100101"},
                                           {42, "101010"}, {63, "111111"}}) {
            QByteArray expected = kTemplate;
            for (int k = 0; k < 6; ++k)
                expected[QList<int>{7, 10, 14, 17, 20, 23}[k]] = digits[k];
            QCOMPARE(ValueToBits(code), expected);
        }
        for (int code : {64, 100, 255, -1})
            QCOMPARE(ValueToBits(code), kTemplate);
        for (int code = 0; code <= kMaxCode; ++code) {
            QVERIFY(IsWellFormedBits(ValueToBits(code)));
            QCOMPARE(BitsToValue(ValueToBits(code)), code);
        }
        QVERIFY(!IsWellFormedBits(Without(kTemplate, 10) + '1'));
        QVERIFY(!IsWellFormedBits(With(kTemplate, 1, '0')));
    }

    // Whatever stands at the digit positions counts, and a short text never reads past its end.
    void bitsToValueReadsAnyText()
    {
        QCOMPARE(BitsToValue(Without(kTemplate, 7)), -1008);
        QCOMPARE(BitsToValue(Without(kTemplate, 23)), -16);
        QCOMPARE(BitsToValue(Without(ValueToBits(37), 23)), 20);
        QCOMPARE(BitsToValue(Without(kTemplate, 10) + '1'), -496);
        QCOMPARE(BitsToValue(With(kTemplate, 23, char(0xFF))), -49);
        QCOMPARE(BitsToValue(QByteArray()), -1008);
        QCOMPARE(BitsToValue(kTemplate.left(23)), -16);
    }

    void currentsAreTheSixtyFourSteps()
    {
        QCOMPARE(CurrentNumberText(0) + CurrentNumberText(37) + CurrentNumberText(63), QString("0.519.032.0"));
        int code = -1;
        for (const auto& [milliamps, expected] : {std::pair{0.5, 0}, {12.5, 24}, {32.0, 63}}) {
            QVERIFY(CodeOfCurrent(milliamps, &code));
            QCOMPARE(code, expected);
        }
        for (double milliamps : {12.3, 0.0, 32.5, -0.5, qQNaN(), qInf()})
            QVERIFY(!CodeOfCurrent(milliamps, &code));
    }

    // Text as the field holds it, the last accepted text -> what the field and the last
    // accepted text become.
    void theBitsEditRule_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("accepted");
        const QByteArray b37 = ValueToBits(37);
        QTest::newRow("foreign digit repaired") << With(b37, 7, '7') << ValueToBits(5) << ValueToBits(5);
        QTest::newRow("prefix repaired") << QByteArray("aYbcZ  1  0   0  1  0  1 ") << b37 << b37;
        QTest::newRow("X past the prefix") << With(b37, 10, 'X') << b37 << b37;
        QTest::newRow("digit over a blank") << With(b37, 8, '1') << kTemplate << kTemplate;
        QTest::newRow("blank over a digit") << With(b37, 7, ' ') << kTemplate << kTemplate;
        QTest::newRow("inserted") << b37 + ' ' << kTemplate << kTemplate;
        QTest::newRow("digit deleted") << Without(b37, 23) << Without(b37, 23) << kTemplate;
        QTest::newRow("blank deleted") << Without(b37, 0) << kTemplate << kTemplate;
        QTest::newRow("two deleted") << b37.left(23) << kTemplate << kTemplate;
        QTest::newRow("cleared") << QByteArray() << kTemplate << kTemplate;
        QTest::newRow("digits shifted") << Without(kTemplate, 10) + '1' << Without(kTemplate, 10) + '1'
                                        << Without(kTemplate, 10) + '1';
    }
    void theBitsEditRule()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, accepted);
        const BitsEdit edit = ApplyBitsEditRule(text, kTemplate);
        QCOMPARE(edit.text, field);
        QCOMPARE(edit.lastAccepted, accepted);
    }
};

QTEST_APPLESS_MAIN(TestCodec)
#include "test_codec.moc"

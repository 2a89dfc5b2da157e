// Bits texts, current codes and the bits edit rule, without any widget.
#include "BitsCodec.h"
#include "CurrentCode.h"
#include "Leds.h"

#include <QtTest>

using namespace codec;

namespace {

const QByteArray kTemplate = " X  X  0  0   0  0  0  0 ";
const QByteArray kText37 = " X  X  1  0   0  1  0  1 ";

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT

private slots:
    void valueToBitsWritesTheCodeInBaseTwo_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("0 is the template") << 0 << kTemplate;
        QTest::newRow("1 sets bit 0 at position 23") << 1 << QByteArray(" X  X  0  0   0  0  0  1 ");
        QTest::newRow("37") << 37 << kText37;
        QTest::newRow("63") << 63 << QByteArray(" X  X  1  1   1  1  1  1 ");
        QTest::newRow("64 is no code: the template") << 64 << kTemplate;
        QTest::newRow("100 is not 36: the template") << 100 << kTemplate;
        QTest::newRow("-1: the template") << -1 << kTemplate;
    }
    void valueToBitsWritesTheCodeInBaseTwo()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, text);
        QCOMPARE(ValueToBits(code), text);
    }

    // And a text cut short reads a blank where it ends.
    void everyCodeReadsBackFromItsText()
    {
        for (int code = 0; code <= kMaxCode; ++code) {
            QCOMPARE(BitsToValue(ValueToBits(code)), code);
            QVERIFY2(IsWellFormedBits(ValueToBits(code)), qPrintable(QString::number(code)));
        }
        QCOMPARE(BitsToValue(" X  X  0  0   0  0  0  "), -16);
    }

    void onlyTheStepsOfHalfAMilliampHaveACode_data()
    {
        QTest::addColumn<double>("milliamps");
        QTest::addColumn<int>("code");  // -1: none
        QTest::newRow("0.5 mA is code 0") << 0.5 << 0;
        QTest::newRow("12.5 mA is code 24") << 12.5 << 24;
        QTest::newRow("32.0 mA is code 63") << 32.0 << 63;
        QTest::newRow("0.25 mA is no step") << 0.25 << -1;
        QTest::newRow("12.3 mA is no step") << 12.3 << -1;
        QTest::newRow("32.5 mA is above the range") << 32.5 << -1;
        QTest::newRow("0.0125 A in mA, not exact in binary") << 0.0125 * 1000 << 24;
        QTest::newRow("a millionth of a step beside 12.5 mA is no step") << 12.5 + 1e-5 << -1;
    }
    void onlyTheStepsOfHalfAMilliampHaveACode()
    {
        QFETCH(double, milliamps);
        QFETCH(int, code);
        QCOMPARE(CodeOfMilliamps(milliamps).value_or(-1), code);
    }

    // Names in any case, "none" alone; an unknown name says which and what there is.
    void ledNames()
    {
        QCOMPARE(ReadLedNames({"a1", "C2"}).bits, std::optional<int>(0x21));
        QCOMPARE(ReadLedNames({"NONE"}).bits, std::optional<int>(0));
        QCOMPARE(ReadLedNames({"A1", "D1"}).error, "'D1' is not an LED: the LEDs are A1 A2 B1 B2 C1 C2, or none");
        QCOMPARE(ReadLedNames({"A1", "none"}).bits, std::nullopt);
        QCOMPARE(LedsOn(0xCC), QStringList({"B1", "B2"}));
    }

    // What an edit leaves in the field and as its last accepted text, when the last
    // accepted text was the template.
    void theBitsEditRule_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("accepted");
        const QByteArray text5 = " X  X  0  0   0  1  0  1 ";
        const QByteArray moved = " X  X  0     0  0  0  0 1";
        QTest::newRow("a '7' over a digit becomes '0' and is accepted") << QByteArray(" X  X  7  0   0  1  0  1 ") << text5 << text5;
        QTest::newRow("the fixed prefix is put right") << QByteArray("aYbcZ  1  0   0  1  0  1 ") << kText37 << kText37;
        QTest::newRow("an 'X' past the prefix becomes '0'") << QByteArray(" X  X  1  X   0  1  0  1 ") << kText37 << kText37;
        QTest::newRow("a digit over a blank: 16 blanks, rejected") << QByteArray(" X  X  11 0   0  1  0  1 ") << kTemplate << kTemplate;
        QTest::newRow("a blank over a digit: 18 blanks, rejected") << QByteArray(" X  X     0   0  1  0  1 ") << kTemplate << kTemplate;
        QTest::newRow("a character inserted: 26, rejected") << QByteArray(" X  X  1  0   0  1  0  1  ") << kTemplate << kTemplate;
        QTest::newRow("a digit deleted: left alone, not accepted") << QByteArray(" X  X  1  0   0  1  0   ") << QByteArray(" X  X  1  0   0  1  0   ") << kTemplate;
        QTest::newRow("a blank deleted: 16 blanks, rejected") << QByteArray("X  X  1  0   0  1  0  1 ") << kTemplate << kTemplate;
        QTest::newRow("two deleted, rejected") << QByteArray(" X  X  1  0   0  1  0  ") << kTemplate << kTemplate;
        QTest::newRow("cleared, rejected") << QByteArray() << kTemplate << kTemplate;
        QTest::newRow("a digit moved: 17 blanks, accepted as typed") << moved << moved << moved;
    }
    void theBitsEditRule()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, accepted);
        const BitsEdit edit = ApplyBitsEditRule(typed, kTemplate);
        QCOMPARE(edit.text, field);
        QCOMPARE(edit.lastAccepted, accepted);
    }
};

QTEST_APPLESS_MAIN(TestCodec)
#include "test_codec.moc"

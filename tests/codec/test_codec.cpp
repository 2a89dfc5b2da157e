// Bits texts, current codes and the bits edit rule, without any widget.
#include "BitsCodec.h"
#include "CurrentCode.h"

#include <QtTest>

using namespace codec;

namespace {

const QByteArray kTemplate(kBitsTemplate);

QByteArray Edited(QByteArray text, int position, const char* replacement, int removed = 1)
{
    return text.replace(position, removed, replacement);
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT

private slots:
    void codesBitsTextsAndCurrents()
    {
        QCOMPARE(ValueToBits(5), QByteArray(" X  X  0  0   0  1  0  1 "));
        QCOMPARE(ValueToBits(63), QByteArray(" X  X  1  1   1  1  1  1 "));
        for (int code : {0, 64, 100, -1})
            QCOMPARE(ValueToBits(code), kTemplate);
        for (int code = 0; code <= kMaxCode; ++code)
            QVERIFY(IsWellFormedBits(ValueToBits(code)) && BitsToValue(ValueToBits(code)) == code);
        QVERIFY(!IsWellFormedBits(Edited(kTemplate, 10, "") + '1') && !IsWellFormedBits(Edited(kTemplate, 1, "0")));
        // Whatever stands at the digit positions counts; a short text never reads past its end.
        QCOMPARE(BitsToValue(Edited(kTemplate, 7, "")), -1008);
        QCOMPARE(BitsToValue(Edited(ValueToBits(37), 23, "")), 20);
        QCOMPARE(BitsToValue(Edited(kTemplate, 10, "") + '1'), -496);
        QCOMPARE(BitsToValue(Edited(kTemplate, 23, "\xFF")), -49);
        QCOMPARE(BitsToValue(kTemplate.left(23)), -16);
        // Only the 64 steps of 0.5 mA, 0.5 to 32.0 mA, have a code.
        int code = -1;
        QVERIFY(CodeOfCurrent(0.5, &code) && code == 0 && CodeOfCurrent(32.0, &code) && code == 63);
        for (double milliamps : {0.0, 0.25, 12.3, 32.5, qQNaN()})
            QVERIFY(!CodeOfCurrent(milliamps, &code) && code == 63);
    }

    // What typing leaves in a field and as its last accepted text, from the template.
    void theBitsEditRule()
    {
        const QByteArray b37 = ValueToBits(37);
        const std::vector<std::tuple<QByteArray, QByteArray, QByteArray>> cases{
            {Edited(b37, 7, "7"), ValueToBits(5), ValueToBits(5)},               // a foreign digit repaired
            {Edited(b37, 0, "aYbcZ", 5), b37, b37},                             // the prefix repaired
            {Edited(b37, 10, "X"), b37, b37},                                   // 'X' past the prefix
            {Edited(b37, 8, "1"), kTemplate, kTemplate},                         // a digit over a blank
            {Edited(b37, 7, " "), kTemplate, kTemplate},                         // a blank over a digit
            {b37 + ' ', kTemplate, kTemplate},                                   // inserted
            {Edited(b37, 23, ""), Edited(b37, 23, ""), kTemplate},               // a digit deleted: left alone
            {Edited(b37, 0, ""), kTemplate, kTemplate},                          // a blank deleted
            {b37.left(23), kTemplate, kTemplate},                                // two deleted
            {QByteArray(), kTemplate, kTemplate},                                // cleared
            {Edited(kTemplate, 10, "") + '1', Edited(kTemplate, 10, "") + '1', Edited(kTemplate, 10, "") + '1'}};
        for (const auto& [text, field, accepted] : cases) {
            const BitsEdit edit = ApplyBitsEditRule(text, kTemplate);
            QCOMPARE(edit.text + '|' + edit.lastAccepted, field + '|' + accepted);
        }
    }
};

QTEST_APPLESS_MAIN(TestCodec)
#include "test_codec.moc"

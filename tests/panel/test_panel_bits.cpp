// The bits edit rule on the real fields, driven by key strokes.
#include "PanelFixture.h"

#include "BitsCodec.h"

#include <QSignalSpy>

using namespace res;

namespace {

const QString kTemplate = QString::fromLatin1(codec::kBitsTemplate);

QString TextOf(int code)
{
    return QString::fromLatin1(codec::ValueToBits(code));
}

// A panel with channel A switched on and its field showing the text of code, accepted
// by the rule as if the user had typed it.
struct FieldA {
    CPanelFixture panel;
    QLineEdit* field;

    explicit FieldA(int code = 0)
    {
        [[maybe_unused]] const bool started = panel.Start();
        panel.SwitchOn({IDC_LED_A1});
        field = panel.Field(IDC_BITS_A);
        field->setFocus();
        if (code != 0)
            field->setText(TextOf(code));
    }
    // Selects the character at position and types text over it.
    void TypeOver(int position, const QString& text)
    {
        field->setSelection(position, 1);
        Type(text);
    }
    // One key stroke that produces text, whatever the keyboard layout.
    void Type(const QString& text)
    {
        QSignalSpy edited(field, &QLineEdit::textEdited);
        QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, text, Qt::NoModifier);
        QVERIFY2(edited.count() == 1, qPrintable("the field took no key stroke for " + text));
    }
    void DeleteAt(int position)
    {
        field->setCursorPosition(position);
        QTest::keyClick(field, Qt::Key_Delete);
    }
    void InsertAt(int position, const QString& text)
    {
        field->setCursorPosition(position);
        QTest::keyClicks(field, text);
    }
    QByteArray Accepted() const { return panel.dialog->m_strGoodBitsA; }
};

}  // namespace

class TestPanelBits : public QObject {
    Q_OBJECT

private slots:
    void typingOverADigitRepairsAndAccepts()
    {
        FieldA a(37);
        QCOMPARE(a.field->text(), TextOf(37));
        a.TypeOver(7, "7");
        QCOMPARE(a.field->text(), TextOf(5));
        QCOMPARE(a.Accepted(), codec::ValueToBits(5));
        QCOMPARE(a.panel.dialog->m_strBitsA, codec::ValueToBits(5));
        // The caret stays where the user was typing, so digit after digit can follow.
        QCOMPARE(a.field->cursorPosition(), 8);
        a.TypeOver(10, "1");
        QCOMPARE(a.field->text(), TextOf(21));
    }

    void typingOverAFixedCharacterGivesTheTextBack()
    {
        for (int position : {0, 1, 2, 3, 4}) {
            FieldA a(42);
            a.TypeOver(position, "Z");
            QCOMPARE(a.field->text(), TextOf(42));
            QCOMPARE(a.Accepted(), codec::ValueToBits(42));
        }
    }

    void editsThatBreakTheLayoutRestoreTheLastAcceptedText()
    {
        FieldA a(37);
        a.TypeOver(8, "1");        // digit over a separating blank: 16 blanks
        QCOMPARE(a.field->text(), TextOf(37));
        a.TypeOver(7, " ");        // blank over a digit: 18 blanks
        QCOMPARE(a.field->text(), TextOf(37));
        a.InsertAt(12, "1");       // 26 characters
        QCOMPARE(a.field->text(), TextOf(37));
        a.DeleteAt(0);             // a deleted blank: 24 characters, 16 blanks
        QCOMPARE(a.field->text(), TextOf(37));
        a.field->setSelection(7, 2);
        QTest::keyClick(a.field, Qt::Key_Backspace);  // two at once
        QCOMPARE(a.field->text(), TextOf(37));
        a.field->selectAll();
        QTest::keyClick(a.field, Qt::Key_Delete);     // cleared
        QCOMPARE(a.field->text(), TextOf(37));
        QCOMPARE(a.Accepted(), codec::ValueToBits(37));
    }

    void aMissingDigitMayBeTypedBack()
    {
        FieldA a(37);
        a.DeleteAt(23);
        QCOMPARE(a.field->text().size(), 24);
        QCOMPARE(a.Accepted(), codec::ValueToBits(37));
        QCOMPARE(a.panel.dialog->BitsToValue(a.panel.dialog->m_strBitsA), 20);
        QTest::keyClicks(a.field, "0");
        QCOMPARE(a.field->text(), TextOf(36));
        QCOMPARE(a.Accepted(), codec::ValueToBits(36));
        // Digits shifted by one place have 17 blanks too: accepted as they stand.
        FieldA b;
        b.DeleteAt(10);
        b.InsertAt(24, "1");
        QCOMPARE(b.Accepted(), QByteArray(codec::kBitsTemplate).remove(10, 1) + '1');
        QCOMPARE(b.panel.dialog->BitsToValue(b.Accepted()), -496);
    }

    void charactersOutsideLatin1CountAsOne()
    {
        FieldA a(37);
        a.TypeOver(10, QStringLiteral("\u20AC"));          // a euro sign becomes '0'
        QCOMPARE(a.field->text(), TextOf(37));
        a.TypeOver(10, QString::fromUtf8("\xF0\x9F\x92\xA1"));  // one character, two UTF-16 units
        QCOMPARE(a.field->text(), TextOf(37));
        a.TypeOver(14, QStringLiteral("\u00E9"));          // Latin-1, still not a bit
        QCOMPARE(a.field->text(), TextOf(37));
        QCOMPARE(a.Accepted(), codec::ValueToBits(37));
    }

    void aRunForOneFieldWritesTheOthersBackUnchanged()
    {
        FieldA a(5);
        CPanelFixture& panel = a.panel;
        panel.dialog->m_strBitsC = "stale";
        QLineEdit* fieldB = panel.Field(IDC_BITS_B);
        fieldB->setText(TextOf(9));
        // The run for B read C's field again, so the stale member is gone and C is untouched.
        QCOMPARE(panel.dialog->m_strBitsC, QByteArray(codec::kBitsTemplate));
        QCOMPARE(panel.Field(IDC_BITS_C)->text(), kTemplate);
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), TextOf(5));
        QCOMPARE(panel.dialog->m_strGoodBitsC, QByteArray(codec::kBitsTemplate));
    }

    void disablingPutsTheTemplateEverywhere()
    {
        FieldA a(37);
        CPanelFixture& panel = a.panel;
        a.DeleteAt(23);  // leave a 24-character text standing
        panel.Click(IDC_ENABLE);
        for (int id : {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C})
            QCOMPARE(panel.Field(id)->text(), kTemplate);
        for (const QByteArray* member : {&panel.dialog->m_strBitsA, &panel.dialog->m_strBitsB, &panel.dialog->m_strBitsC,
                                         &panel.dialog->m_strGoodBitsA, &panel.dialog->m_strGoodBitsB,
                                         &panel.dialog->m_strGoodBitsC})
            QCOMPARE(*member, QByteArray(codec::kBitsTemplate));
    }

    void shownCodesBecomeAcceptedOnlyWithTheNextAcceptedEdit()
    {
        FieldA a;
        CPanelFixture& panel = a.panel;
        panel.board->registers[board::REGISTER_A] = 37;
        panel.Click(IDC_READ_A);
        QCOMPARE(a.field->text(), TextOf(37));
        QCOMPARE(a.Accepted(), QByteArray(codec::kBitsTemplate));
        a.InsertAt(3, "1");  // rejected: back to the older accepted text
        QCOMPARE(a.field->text(), kTemplate);
        panel.Click(IDC_READ_A);
        a.TypeOver(23, "0");  // accepted: now it is the last accepted text
        QCOMPARE(a.Accepted(), codec::ValueToBits(36));
    }
};

QTEST_MAIN(TestPanelBits)
#include "test_panel_bits.moc"

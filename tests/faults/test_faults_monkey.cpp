// A monkey on the real panel against a healthy simulated board: thousands of random
// gestures a person could make, with the panel's invariants checked after each.
#include "PanelFixture.h"

#include "BitsFieldText.h"

#include <random>

namespace {

constexpr int kActions = 3000;
const int kFields[] = {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C};
const int kTrackbars[] = {IDC_SLIDER1, IDC_SLIDER2, IDC_SLIDER3};
const int kButtons[] = {IDC_WRITE_A, IDC_READ_A, IDC_UP_A, IDC_DOWN_A, IDC_WRITE_B, IDC_READ_B, IDC_UP_B,
                        IDC_DOWN_B, IDC_WRITE_C, IDC_READ_C, IDC_UP_C, IDC_DOWN_C, IDC_LED_A1, IDC_LED_A2,
                        IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2, IDC_WRITE_S, IDC_READ_S};
const Qt::Key kKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down,
                         Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
// Bits, other digits, blanks, letters, Latin-1 beyond ASCII, and characters Latin-1
// cannot hold (a combining accent and a surrogate pair among them).
const QString kCharacters[] = {"0", "1", "0", "1", " ", " ", "2", "X", "x", QString(QChar(0xE9)),
                               QString(QChar(0x20AC)), QString(QChar(0x301)), QString::fromUtf8("\xF0\x9F\x98\x80")};

struct Monkey : CPanelFixture {
    std::mt19937 rng{7320};
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    template <typename T, size_t N>
    const T& Pick(const T (&from)[N]) { return from[Below(int(N))]; }

    void EditField(QLineEdit* field)
    {
        field->setFocus();
        field->setSelection(Below(int(field->text().size()) + 1), Below(3) - 1);
        QString text;
        for (int n = Below(3) ? 1 : Below(30); n > 0; --n)
            text += Pick(kCharacters);
        if (Below(4))
            field->insert(text);
        else
            QTest::keyClick(field, Below(2) ? Qt::Key_Delete : Qt::Key_Backspace);
    }

    // One gesture on a control a person could reach.
    void Act()
    {
        const auto usable = [this](int id) { return Item(id)->isEnabled() && Item(id)->isVisible(); };
        const int kind = Below(1000);
        int id = kind < 450 ? Pick(kFields) : kind < 650 ? Pick(kTrackbars) : kind < 995 ? Pick(kButtons) : IDC_ENABLE;
        if (!dialog->m_bEnabled)
            id = IDC_ENABLE;  // a disabled panel only waits for ENABLE
        if (!usable(id))
            return;
        if (Field(id))
            return EditField(Field(id));
        if (Trackbar(id))
            return QTest::keyClick(Item(id), Pick(kKeys));
        const int before = int(Wire().size());
        const int write = id == IDC_WRITE_A ? IDC_BITS_A : id == IDC_WRITE_B ? IDC_BITS_B : id == IDC_WRITE_C ? IDC_BITS_C : 0;
        const QByteArray typed = write ? controls::ToBitsText(Field(write)->text()) : QByteArray();
        Click(id);
        // Write sends exactly the whole bits texts, and their code.
        if (write)
            QCOMPARE(Wire().mid(before, 2), codec::IsWellFormedBits(typed) ? Bytes({0x80 + write - IDC_BITS_A, codec::BitsToValue(typed)}) : QByteArray());
    }

    void CheckInvariants()
    {
        for (int id : kFields) {
            const QByteArray shown = controls::ToBitsText(Field(id)->text());
            QVERIFY2(shown.size() == 24 || shown.size() == 25, qPrintable(Field(id)->text()));
        }
        QCOMPARE(dialog->m_strBitsA + dialog->m_strBitsB + dialog->m_strBitsC,
                 controls::ToBitsText(Field(IDC_BITS_A)->text() + Field(IDC_BITS_B)->text() + Field(IDC_BITS_C)->text()));
        for (const QByteArray* good : {&dialog->m_strGoodBitsA, &dialog->m_strGoodBitsB, &dialog->m_strGoodBitsC})
            QCOMPARE(good->size(), codec::kBitsLength);
        // Every value written to a current register is a code.
        for (int i = 0; i + 1 < Wire().size(); ++i) {
            if ((quint8(Wire().at(i)) & 0xFC) == board::CMD_WRITE_REG && quint8(Wire().at(i)) != 0x83)
                QVERIFY2(quint8(Wire().at(++i)) <= codec::kMaxCode, qPrintable(Wire().toHex(' ')));
        }
        QVERIFY(messages.isEmpty() && !dialog->EndRequested() && dialog->isVisible());
    }
};

}  // namespace

class TestFaultsMonkey : public QObject {
    Q_OBJECT

private slots:
    void randomGesturesKeepThePanelConsistent()
    {
        Monkey monkey;
        monkey.SwitchOn({IDC_LED_A1, IDC_LED_B2, IDC_LED_C1});
        for (int i = 0; i < kActions; ++i) {
            monkey.Act();
            monkey.CheckInvariants();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QString("after action %1").arg(i + 1)));
            if (i % 200 == 199)
monkey.ClearWire();
        }
    }
};

QTEST_MAIN(TestFaultsMonkey)
#include "test_faults_monkey.moc"

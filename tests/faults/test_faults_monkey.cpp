// A keyboard monkey on the real panel against a healthy simulated board: thousands of
// random gestures a person could make, with the panel's invariants checked after each.
#include "PanelFixture.h"

#include "BitsCodec.h"
#include "BitsFieldText.h"

#include <array>
#include <map>
#include <random>
#include <vector>

using namespace res;

namespace {

constexpr int kActions = 3000;
// LDX_MONKEY_SEED runs another sequence, to look further; the suite keeps this one.
constexpr unsigned kSeed = 7320;
constexpr int kMaxCode = 63;  // the highest current code

const std::array<int, 3> kFields{IDC_BITS_A, IDC_BITS_B, IDC_BITS_C};
const std::array<int, 3> kTrackbars{IDC_SLIDER1, IDC_SLIDER2, IDC_SLIDER3};
const std::vector<int> kButtons{IDC_WRITE_A, IDC_READ_A, IDC_UP_A, IDC_DOWN_A, IDC_WRITE_B, IDC_READ_B,
                                IDC_UP_B, IDC_DOWN_B, IDC_WRITE_C, IDC_READ_C, IDC_UP_C, IDC_DOWN_C,
                                IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2,
                                IDC_WRITE_S, IDC_READ_S};
const std::map<int, int> kWrites{{IDC_WRITE_A, IDC_BITS_A}, {IDC_WRITE_B, IDC_BITS_B}, {IDC_WRITE_C, IDC_BITS_C}};
const std::vector<Qt::Key> kTrackbarKeys{Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down,
                                         Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
// What a person might type or paste: bits, other digits, blanks, letters, Latin-1 beyond
// ASCII, and characters Latin-1 cannot hold (a combining accent and a surrogate pair too).
const std::vector<QString> kCharacters{
    "0", "1", "0", "1", " ", " ", "2", "9", "a", "X", "x", "-", ".", QString(QChar(0xE9)), QString(QChar(0xFF)),
    QString(QChar(0x20AC)), QString(QChar(0x3A9)), QString(QChar(0x4E2D)), QString(QChar(0x301)),
    QString::fromUtf8("\xF0\x9F\x98\x80")};

class CMonkey {
public:
    CMonkey()
    {
        [[maybe_unused]] const bool started = panel.Start();
        panel.Click(IDC_ENABLE);
    }

    template <typename T>
    const T& Pick(const std::vector<T>& from) { return from[Below(int(from.size()))]; }
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    QString RandomText(int maxLength)
    {
        QString text;
        for (int n = Below(maxLength + 1); n > 0; --n)
            text += Pick(kCharacters);
        return text;
    }

    // One key stroke producing text: through the key map for ASCII, as a layout that
    // yields the character otherwise.
    void Type(QWidget* target, const QString& text)
    {
        if (text.size() == 1 && text.at(0).unicode() < 0x80) {
            QTest::keyClick(target, text.at(0).toLatin1());
            return;
        }
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, text, Qt::NoModifier);
    }

    void EditField(QLineEdit* field)
    {
        field->setFocus();
        const int length = int(field->text().size());
        ++inputsTried;
        switch (Below(8)) {
        case 0:
        case 1:
        case 2:
            field->setCursorPosition(Below(length + 1));
            Type(field, Pick(kCharacters));
            break;
        case 3:
            field->setCursorPosition(Below(length + 1));
            field->insert(RandomText(30));  // a paste
            break;
        case 4:
            field->setText(Below(2) ? RandomText(30) : QString::fromLatin1(codec::ValueToBits(Below(64))));
            break;
        case 5:
            field->setCursorPosition(Below(length + 1));
            QTest::keyClick(field, Below(2) ? Qt::Key_Delete : Qt::Key_Backspace);
            break;
        default:
            field->setSelection(Below(length + 1), Below(9) - 4);
            if (Below(2))
                Type(field, Pick(kCharacters));
            else
                QTest::keyClick(field, Qt::Key_Delete);
            break;
        }
        if (!codec::IsWellFormedBits(controls::ToBitsText(field->text())))
            ++editsLeftIncomplete;
    }

    // One gesture on an enabled control, as a person could make it.
    void Act()
    {
        const auto enabled = [this](int id) { return panel.Item(id)->isEnabled() && panel.Item(id)->isVisible(); };
        std::vector<int> fields, trackbars, buttons;
        for (int id : kFields)
            if (enabled(id))
                fields.push_back(id);
        for (int id : kTrackbars)
            if (enabled(id))
                trackbars.push_back(id);
        for (int id : kButtons)
            if (enabled(id))
                buttons.push_back(id);
        const int kind = Below(100);
        if (kind < 50 && !fields.empty()) {
            EditField(panel.Field(Pick(fields)));
        } else if (kind < 65 && !trackbars.empty()) {
            QTest::keyClick(panel.Trackbar(Pick(trackbars)), Pick(kTrackbarKeys));
        } else if (kind < 98 && !buttons.empty()) {
            const int id = Pick(buttons);
            const int before = int(panel.Wire().size());
            const auto write = kWrites.find(id);
            const QByteArray typed =
                write == kWrites.end() ? QByteArray() : controls::ToBitsText(panel.Field(write->second)->text());
            panel.Click(id);
            if (write != kWrites.end()) {
                // Write sends exactly the complete, well-formed texts, and their code.
                if (codec::IsWellFormedBits(typed)) {
                    QCOMPARE(panel.Wire().size(), before + 5);
                    QCOMPARE(int(panel.Wire().at(before + 1)), codec::BitsToValue(typed));
                } else {
                    QCOMPARE(panel.Wire().size(), before);
                    ++writesRefused;
                }
            }
        } else {
            panel.Click(IDC_ENABLE);
        }
        ++actions;
    }

    // Every value byte written to REGISTER_A..C is a code, and the chip holds the last one.
    void CheckWire()
    {
        const QByteArray wire = panel.Wire();
        for (; parsed < wire.size(); ++parsed) {
            const int byte = quint8(wire.at(parsed));
            if (pendingWrite >= 0) {
                if (pendingWrite < board::REGISTER_S) {
                    QVERIFY2(byte <= kMaxCode, qPrintable(QString("value 0x%1 at byte %2").arg(byte, 0, 16).arg(parsed)));
                    lastWritten[size_t(pendingWrite)] = byte;
                }
                pendingWrite = -1;
            } else if ((byte & 0xFC) == board::CMD_WRITE_REG) {
                pendingWrite = byte & board::kRegisterIndexMask;
            }
        }
        for (int r : {board::REGISTER_A, board::REGISTER_B, board::REGISTER_C})
            QCOMPARE(int(panel.board->registers[size_t(r)]), lastWritten[size_t(r)]);
    }

    void CheckInvariants()
    {
        const CPanelDlg& dialog = *panel.dialog;
        for (int id : kFields) {
            const QByteArray shown = controls::ToBitsText(panel.Field(id)->text());
            QVERIFY2(shown.size() == 24 || shown.size() == 25, qPrintable(panel.Field(id)->text()));
        }
        QCOMPARE(dialog.m_strBitsA, controls::ToBitsText(panel.Field(IDC_BITS_A)->text()));
        QCOMPARE(dialog.m_strBitsB, controls::ToBitsText(panel.Field(IDC_BITS_B)->text()));
        QCOMPARE(dialog.m_strBitsC, controls::ToBitsText(panel.Field(IDC_BITS_C)->text()));
        for (const QByteArray* good : {&dialog.m_strGoodBitsA, &dialog.m_strGoodBitsB, &dialog.m_strGoodBitsC})
            QCOMPARE(good->size(), codec::kBitsLength);
        CheckWire();
        QVERIFY(panel.messages.isEmpty());
        QVERIFY(!dialog.EndRequested());
        QVERIFY(dialog.isVisible());
    }

    CPanelFixture panel;
    const unsigned seed = qEnvironmentVariableIsSet("LDX_MONKEY_SEED")
        ? unsigned(qEnvironmentVariableIntValue("LDX_MONKEY_SEED")) : kSeed;
    std::mt19937 rng{seed};
    int actions = 0;
    int inputsTried = 0;
    int writesRefused = 0;
    int editsLeftIncomplete = 0;  // a field left not well-formed: a digit pending or misplaced

private:
    int parsed = 0;
    int pendingWrite = -1;
    std::array<int, 3> lastWritten{};
};

}  // namespace

class TestFaultsMonkey : public QObject {
    Q_OBJECT

private slots:
    void randomGesturesKeepThePanelConsistent()
    {
        CMonkey monkey;
        monkey.CheckInvariants();
        for (int i = 0; i < kActions; ++i) {
            monkey.Act();
            monkey.CheckInvariants();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QString("after action %1 of seed %2").arg(i + 1).arg(monkey.seed)));
        }
        qInfo("%d actions, %d of them edits of a bits field (%d left it not well-formed), %d writes refused, "
              "%d bytes on the wire",
              monkey.actions, monkey.inputsTried, monkey.editsLeftIncomplete, monkey.writesRefused,
              int(monkey.panel.Wire().size()));
    }
};

QTEST_MAIN(TestFaultsMonkey)
#include "test_faults_monkey.moc"

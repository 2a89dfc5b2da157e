// A monkey on the real panel against a healthy simulated board: thousands of random
// gestures a person could make, with the panel's invariants checked after each.
#include "PanelFixture.h"

#include "BitsFieldText.h"

#include <random>

namespace {

const int kControls[] = {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C, IDC_BITS_A, IDC_BITS_B, IDC_BITS_C, IDC_SLIDER1,
                         IDC_SLIDER2, IDC_SLIDER3, IDC_WRITE_A, IDC_READ_A, IDC_UP_A, IDC_DOWN_A, IDC_WRITE_B,
                         IDC_READ_B, IDC_UP_B, IDC_DOWN_B, IDC_WRITE_C, IDC_READ_C, IDC_UP_C, IDC_DOWN_C,
                         IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2, IDC_WRITE_S, IDC_READ_S};
const Qt::Key kKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                         Qt::Key_Home, Qt::Key_End, Qt::Key_Delete, Qt::Key_Backspace};
// Bits, other digits, blanks, letters, Latin-1 beyond ASCII, and characters Latin-1
// cannot hold (a combining accent and a surrogate pair among them).
const QString kCharacters[] = {"0", "1", "0", "1", " ", " ", "2", "X", "x", QString(QChar(0xE9)),
                               QString(QChar(0x20AC)), QString(QChar(0x301)), QString::fromUtf8("\xF0\x9F\x98\x80")};

}  // namespace

class TestFaultsMonkey : public QObject {
    Q_OBJECT

private slots:
    void randomGesturesKeepThePanelConsistent()
    {
        CPanelFixture panel;
        panel.SwitchOn({IDC_LED_A1, IDC_LED_B2, IDC_LED_C1});
        std::mt19937 rng(7320);
        const auto below = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        for (int action = 1; action <= 3000; ++action) {
            // A disabled panel only waits for ENABLE; now and then a person presses DISABLE.
            const bool enabled = panel.Text(IDC_ENABLE) == "DISABLE";
            int id = !enabled || below(200) == 0 ? IDC_ENABLE : kControls[below(std::size(kControls))];
            QWidget* control = panel.Item(id);
            if (QLineEdit* field = panel.Field(id); field && field->isEnabled()) {
                field->setFocus();
                field->setSelection(below(int(field->text().size()) + 1), below(3) - 1);
                for (int n = below(3) ? 1 : below(30); n > 0; --n)
                    below(5) ? field->insert(kCharacters[below(std::size(kCharacters))]) : QTest::keyClick(field, kKeys[8 + below(2)]);
            } else if (panel.Trackbar(id) && control->isEnabled()) {
                QTest::keyClick(control, kKeys[below(8)]);
            } else if (control->isEnabled()) {
                panel.Click(id);
            }
            // Fields hold 24 or 25 characters; every value written to a current register is a
            // code; nothing ends the panel.
            for (int field : {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C}) {
                const int length = int(controls::ToBitsText(panel.Field(field)->text()).size());
                QVERIFY2(length == 24 || length == 25, qPrintable(panel.Field(field)->text()));
            }
            const QByteArray wire = panel.Wire();
            for (int i = 0; i + 1 < wire.size(); ++i) {
                if (quint8(wire[i]) >= 0x80 && quint8(wire[i]) <= 0x82)
                    QVERIFY2(quint8(wire[++i]) <= 63, qPrintable(wire.toHex(' ')));
            }
            panel.ClearWire();
            QVERIFY(panel.messages.isEmpty());
            QVERIFY(!panel.dialog->EndRequested());
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QString("after action %1").arg(action)));
        }
    }
};

QTEST_MAIN(TestFaultsMonkey)
#include "test_faults_monkey.moc"

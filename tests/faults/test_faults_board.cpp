// Board faults at every byte of every panel action, against the simulated board. What the
// panel must do is worked out by a small model of the link's rules, not taken from a run.
#include "PanelFixture.h"

#include <vector>

namespace {

enum class Fault { None, Silent, WrongByte, NoAnswer, Unplugged, Stuck };

constexpr quint8 kChipS = 0x15;  // A1, B1 and C1: what the panel itself wrote
constexpr int kWrong = 0x6B;

// One exchange of an action. A checked byte must be acknowledged; a write-back is a
// checked write left out when the read before it got no answer.
struct Step {
    enum Kind { Checked, Read, Unchecked, WriteBack } kind;
    int byte;  // -1: REGISTER_S as the read before it returned it
};

struct Action {
    const char* name;
    int control;
    std::vector<std::vector<Step>> handlers;  // the handlers one gesture runs, in order
};

std::vector<Step> CurrentWrite(int code)
{
    return {{Step::Checked, 0x80}, {Step::Checked, code}, {Step::Read, 0x93}, {Step::WriteBack, 0x83}, {Step::WriteBack, -1}};
}

const std::vector<Action> kActions{
    {"step", IDC_UP_A, {CurrentWrite(1)}},
    {"trackbarKey", IDC_SLIDER1, {CurrentWrite(1), CurrentWrite(1)}},  // the key, then its release
    {"channelWrite", IDC_WRITE_A, {CurrentWrite(5)}},
    {"writeS", IDC_WRITE_S, {{{Step::Checked, 0x83}, {Step::Checked, 0x05}}}},
    {"channelRead", IDC_READ_A, {{{Step::Read, 0x90}}}},
    {"readS", IDC_READ_S, {{{Step::Read, 0x93}}}},
    {"disable", IDC_ENABLE, {{{Step::Unchecked, 0xB0}}}}};

struct Expected {
    QByteArray wire;
    int messages = 0;
    bool cancelled = false;
    bool portOpen = true;
    int lastRead = 0;
};

// What the panel must do when the fault strikes at byte n of the action.
Expected Model(const Action& action, Fault fault, int n)
{
    Expected out;
    int chipS = kChipS;  // the chip takes every value byte it receives
    for (const std::vector<Step>& handler : action.handlers) {
        bool readAnswered = true;
        for (const Step& step : handler) {
            if (step.kind == Step::WriteBack && !readAnswered)
                continue;
            const int i = int(out.wire.size());
            const bool gone = (fault == Fault::Unplugged || fault == Fault::Stuck) && i >= n;
            if (!out.portOpen || gone) {
                out.cancelled = true;
                readAnswered = false;
                if (step.kind != Step::Read && step.kind != Step::Unchecked && out.portOpen) {
                    ++out.messages;
                    out.portOpen = false;
                }
                continue;
            }
            const int byte = step.byte < 0 ? out.lastRead : step.byte;
            if (out.wire.endsWith(char(0x83)))
                chipS = byte;
            out.wire.append(char(byte));
            const bool silent = (fault == Fault::Silent && i >= n) || (fault == Fault::NoAnswer && i == n);
            const int healthy = byte == 0x93 ? chipS : byte == 0x90 ? 0x27 : board::ACK;
            const int reply = silent ? 0 : fault == Fault::WrongByte && i == n ? kWrong : healthy;
            if (step.kind == Step::Read) {
                out.lastRead = reply;
                readAnswered = !silent;
            } else if (step.kind != Step::Unchecked && reply != board::ACK) {
                ++out.messages;
                out.portOpen = false;
            }
        }
    }
    return out;
}

void Inject(board::CSimulatedFaults& f, Fault fault, int at)
{
    f.silentFrom = fault == Fault::Silent ? at : -1;
    f.wrongAnswerAt = fault == Fault::WrongByte || fault == Fault::NoAnswer ? at : -1;
    f.wrongAnswer = fault == Fault::WrongByte ? std::optional<quint8>(kWrong) : std::nullopt;
    f.unpluggedFrom = fault == Fault::Unplugged ? at : -1;
    f.stuckFrom = fault == Fault::Stuck ? at : -1;
}

}  // namespace

class TestFaultsBoard : public QObject {
    Q_OBJECT

private slots:
    void faultAtEveryByteOfEveryAction_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("n");
        const char* faults[] = {"healthy", "silent", "wrong", "unanswered", "unplugged", "stuck"};
        for (int a = 0; a < int(kActions.size()); ++a) {
            const int bytes = int(Model(kActions[a], Fault::None, 0).wire.size());
            QTest::addRow("%s/healthy", kActions[a].name) << a << int(Fault::None) << 0;
            for (int fault = int(Fault::Silent); fault <= int(Fault::Stuck); ++fault) {
                for (int n = 0; n < bytes; ++n)
                    QTest::addRow("%s/%s@%d", kActions[a].name, faults[fault], n) << a << fault << n;
            }
        }
    }
    void faultAtEveryByteOfEveryAction()
    {
        QFETCH(int, action);
        QFETCH(int, fault);
        QFETCH(int, n);
        const Action& act = kActions[size_t(action)];
        const Expected expected = Model(act, Fault(fault), n);
        CPanelFixture panel;
        panel.SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        panel.Field(IDC_BITS_A)->setText(TextOf(5));
        panel.Click(IDC_LED_C1);
        panel.board->registers = {0x27, 0, 0, kChipS};
        panel.ClearWire();
        Inject(panel.board->faults, Fault(fault), panel.board->ReceivedCount() + n);
        if (act.control == IDC_SLIDER1)
            QTest::keyClick(panel.Item(IDC_SLIDER1), Qt::Key_Right);
        else
            panel.Click(act.control);

        // Nothing after a failed acknowledgement, the port closed once at most, one
        // message at most, and the panel ends exactly when asked to.
        QCOMPARE(panel.Wire().toHex(' '), expected.wire.toHex(' '));
        QCOMPARE(panel.board->CloseCount(), expected.portOpen ? 0 : 1);
        QCOMPARE(panel.messages, QStringList(expected.messages, QString::fromLatin1(board::kComErrorMessage)));
        QCOMPARE(panel.dialog->QuitRequested(), !expected.portOpen);
        QCOMPARE(panel.dialog->EndRequested(), !expected.portOpen || expected.cancelled);
        QCOMPARE(panel.dialog->isVisible(), !panel.dialog->EndRequested());
        // The handler's own steps were all done, whatever the board did.
        const int read = expected.lastRead & 0x3F;
        const QList<int> shown{panel.Trackbar(IDC_SLIDER1)->value(), panel.dialog->m_nLedState, panel.Item(IDC_WRITE_A)->isEnabled()};
        const QMap<int, QList<int>> done{{IDC_UP_A, {1, 0x05, 1}}, {IDC_SLIDER1, {1, 0x05, 1}}, {IDC_WRITE_A, {5, 0x05, 1}},
                                         {IDC_WRITE_S, {0, 0x05, 1}}, {IDC_READ_A, {read, 0x05, 1}},
                                         {IDC_READ_S, {0, read, 1}}, {IDC_ENABLE, {0, 0, 0}}};
        QCOMPARE(shown, done[act.control]);
    }
};

QTEST_MAIN(TestFaultsBoard)
#include "test_faults_board.moc"

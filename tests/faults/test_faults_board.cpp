// Board faults at every byte of every panel action, against the simulated board. What the
// panel should do is worked out by a small model of the link's rules, not taken from a run.
#include "PanelFixture.h"

#include "BitsCodec.h"

#include <array>
#include <vector>

using namespace res;

namespace {

enum class Action { StepUp, TrackbarKey, ChannelWrite, WriteS, ChannelRead, ReadS, Enable, Disable };
enum class Fault { None, Silent, WrongByte, NoAnswer, Late, ExtraThenSilent, Unplugged, Stuck };

// The chip's registers before each action, and the stray byte a wrong answer carries.
constexpr quint8 kChipA = 0x27;
constexpr quint8 kChipS = 0x15;  // A1, B1 and C1: what the panel itself wrote
constexpr quint8 kWrong = 0x6B;
constexpr int kWrittenCode = 5;  // the code Write sends from channel A's field

// One exchange of an action: commands and values of a register write have their
// acknowledgement checked, reads and output switches never do. A write-back is a checked
// write that is left out when the read before it got no answer.
struct Step {
    enum Kind { Checked, Read, Unchecked, WriteBack } kind;
    int byte;  // -1: REGISTER_S as the preceding read returned it
};
using Handler = std::vector<Step>;

Handler CurrentWrite(int reg, int code)
{
    return {{Step::Checked, 0x80 | reg}, {Step::Checked, code}, {Step::Read, 0x93},
            {Step::WriteBack, 0x83}, {Step::WriteBack, -1}};
}

// The handlers one user gesture runs, in order.
std::vector<Handler> HandlersOf(Action action)
{
    switch (action) {
    case Action::StepUp: return {CurrentWrite(0, 1)};
    case Action::TrackbarKey: return {CurrentWrite(0, 1), CurrentWrite(0, 1)};  // key press, then release
    case Action::ChannelWrite: return {CurrentWrite(0, kWrittenCode)};
    case Action::WriteS: return {{{Step::Checked, 0x83}, {Step::Checked, 0x05}}};
    case Action::ChannelRead: return {{{Step::Read, 0x90}}};
    case Action::ReadS: return {{{Step::Read, 0x93}}};
    case Action::Enable: return {{{Step::Unchecked, 0xB1}}};
    case Action::Disable: return {{{Step::Unchecked, 0xB0}}};
    }
    return {};
}

int ByteCount(Action action)
{
    int count = 0;
    for (const Handler& handler : HandlersOf(action))
        count += int(handler.size());
    return count;
}

struct Expected {
    QByteArray wire;
    int messages = 0;
    bool cancelled = false;
    bool quit = false;
    bool portOpen = true;
    int lastRead = 0;
};

// What the panel must do when fault strikes at byte n of the action.
Expected Model(Action action, Fault fault, int n)
{
    Expected out;
    QByteArray answers;  // what a healthy board answers to each byte on the wire
    std::array<int, 4> chip{kChipA, 0, 0, kChipS};
    int pendingWrite = -1;  // the chip takes every value byte it receives, answered or not
    const auto replyTo = [&](int i) -> int {
        const int healthy = quint8(answers.at(i));
        switch (fault) {
        // A late answer is dropped before the next byte is sent: it answers nothing.
        case Fault::Silent:
        case Fault::Late:
        case Fault::ExtraThenSilent: return i >= n ? -1 : healthy;
        case Fault::WrongByte: return i == n ? kWrong : healthy;
        case Fault::NoAnswer: return i == n ? -1 : healthy;
        default: return healthy;
        }
    };
    int reply = 0;
    bool received = false;
    const auto send = [&](int byte) {
        reply = 0;
        received = false;
        const int i = int(out.wire.size());
        const bool gone = (fault == Fault::Unplugged || fault == Fault::Stuck) && i >= n;
        if (!out.portOpen || gone) {
            out.cancelled = true;
            return;
        }
        out.wire.append(char(byte));
        int answer = board::ACK;
        if (pendingWrite >= 0) {
            chip[size_t(pendingWrite)] = byte;
            pendingWrite = -1;
        } else if ((byte & 0xFC) == board::CMD_WRITE_REG) {
            pendingWrite = byte & 3;
        } else if ((byte & 0xFC) == board::CMD_READ_REG) {
            answer = chip[size_t(byte & 3)];
        }
        answers.append(char(answer));
        received = replyTo(i) >= 0;
        reply = received ? replyTo(i) : 0;
    };
    for (const Handler& handler : HandlersOf(action)) {
        bool readAnswered = true;
        for (const Step& step : handler) {
            const int byte = step.byte < 0 ? out.lastRead : step.byte;
            switch (step.kind) {
            case Step::WriteBack:
                if (!readAnswered)
                    break;
                [[fallthrough]];
            case Step::Checked:
                send(byte);
                if (out.portOpen && reply != board::ACK) {
                    ++out.messages;
                    out.portOpen = false;
                    out.quit = true;
                }
                break;
            case Step::Read:
                send(byte);
                out.lastRead = reply;
                readAnswered = received;
                break;
            case Step::Unchecked:
                send(byte);
                break;
            }
        }
    }
    return out;
}

void Inject(board::CSimulatedBoard& chip, Fault fault, int at)
{
    board::CSimulatedFaults& f = chip.faults;
    switch (fault) {
    case Fault::None: break;
    case Fault::Silent: f.silentFrom = at; break;
    case Fault::WrongByte: f.wrongAnswerAt = at; f.wrongAnswer = kWrong; break;
    case Fault::NoAnswer: f.wrongAnswerAt = at; f.wrongAnswer.reset(); break;
    case Fault::Late: f.lateFrom = at; break;
    case Fault::ExtraThenSilent:
        // A stray ACK behind every answer must not stand in for the missing one.
        f.extraAfterAnswer = QByteArray(1, char(board::ACK)) + '\0';
        f.silentFrom = at;
        break;
    case Fault::Unplugged: f.unpluggedFrom = at; break;
    case Fault::Stuck: f.stuckFrom = at; break;
    }
}

QString BitsOf(int code)
{
    return QString::fromLatin1(codec::ValueToBits(code));
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
        const std::vector<std::pair<Action, const char*>> actions{
            {Action::StepUp, "step"}, {Action::TrackbarKey, "trackbarKey"}, {Action::ChannelWrite, "channelWrite"},
            {Action::WriteS, "writeS"}, {Action::ChannelRead, "channelRead"}, {Action::ReadS, "readS"},
            {Action::Enable, "enable"}, {Action::Disable, "disable"}};
        const std::vector<std::pair<Fault, const char*>> faults{
            {Fault::Silent, "silent"}, {Fault::WrongByte, "wrong"}, {Fault::NoAnswer, "unanswered"},
            {Fault::Late, "late"}, {Fault::ExtraThenSilent, "extraThenSilent"}, {Fault::Unplugged, "unplugged"},
            {Fault::Stuck, "stuck"}};
        for (const auto& [action, actionName] : actions) {
            QTest::addRow("%s/healthy", actionName) << int(action) << int(Fault::None) << 0;
            for (const auto& [fault, faultName] : faults) {
                for (int n = 0; n < ByteCount(action); ++n)
                    QTest::addRow("%s/%s@%d", actionName, faultName, n) << int(action) << int(fault) << n;
            }
        }
    }

    void faultAtEveryByteOfEveryAction()
    {
        QFETCH(int, action);
        QFETCH(int, fault);
        QFETCH(int, n);
        const auto act = Action(action);
        const Expected expected = Model(act, Fault(fault), n);

        CPanelFixture panel;
        QVERIFY(panel.Start());
        if (act != Action::Enable)
            panel.SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        if (act == Action::ChannelWrite)
            panel.Field(IDC_BITS_A)->setText(BitsOf(kWrittenCode));
        if (act == Action::WriteS)
            panel.Click(IDC_LED_C1);
        panel.board->registers[board::REGISTER_A] = kChipA;
        panel.board->registers[board::REGISTER_S] = kChipS;
        panel.ClearWire();
        Inject(*panel.board, Fault(fault), panel.board->ReceivedCount() + n);

        switch (act) {
        case Action::StepUp: panel.Click(IDC_UP_A); break;
        case Action::TrackbarKey: QTest::keyClick(panel.Trackbar(IDC_SLIDER1), Qt::Key_Right); break;
        case Action::ChannelWrite: panel.Click(IDC_WRITE_A); break;
        case Action::WriteS: panel.Click(IDC_WRITE_S); break;
        case Action::ChannelRead: panel.Click(IDC_READ_A); break;
        case Action::ReadS: panel.Click(IDC_READ_S); break;
        case Action::Enable:
        case Action::Disable: panel.Click(IDC_ENABLE); break;
        }

        // The board: nothing after a failed acknowledgement, the port closed once at most.
        QCOMPARE(panel.Wire().toHex(' '), expected.wire.toHex(' '));
        QCOMPARE(panel.board->IsOpen(), expected.portOpen);
        QCOMPARE(panel.board->CloseCount(), expected.portOpen ? 0 : 1);
        // The user: one message at most; the panel ends exactly when asked to.
        QCOMPARE(panel.messages.size(), expected.messages);
        if (expected.messages)
            QCOMPARE(panel.messages.front(), QString::fromLatin1(board::kComErrorMessage));
        CPanelDlg& dialog = *panel.dialog;
        QCOMPARE(dialog.QuitRequested(), expected.quit);
        QCOMPARE(dialog.EndRequested(), expected.quit || expected.cancelled);
        QCOMPARE(dialog.isVisible(), !dialog.EndRequested());

        // The handler's own steps were all done, whatever the board did.
        const int readCode = expected.lastRead & 0x3F;
        switch (act) {
        case Action::StepUp:
        case Action::TrackbarKey:
            QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 1);
            QCOMPARE(panel.Field(IDC_BITS_A)->text(), BitsOf(1));
            break;
        case Action::ChannelWrite:
            QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), kWrittenCode);
            QCOMPARE(panel.Label(IDC_CURRENT_A)->text(), QString("LED current : 3.0 mA"));
            break;
        case Action::WriteS:
            QVERIFY(panel.Item(IDC_WRITE_A)->isEnabled());
            QVERIFY(!panel.Item(IDC_WRITE_C)->isEnabled());
            break;
        case Action::ChannelRead:
            QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), readCode);
            QCOMPARE(panel.Field(IDC_BITS_A)->text(), BitsOf(readCode));
            break;
        case Action::ReadS:
            QCOMPARE(dialog.m_nLedState, readCode);
            QCOMPARE(panel.Box(IDC_LED_C1)->isChecked(), (readCode & 0x10) != 0);
            break;
        case Action::Enable:
            QCOMPARE(panel.Text(IDC_ENABLE), QString("DISABLE"));
            QVERIFY(panel.Item(IDC_LED_A1)->isEnabled());
            break;
        case Action::Disable:
            QCOMPARE(panel.Text(IDC_ENABLE), QString("ENABLE"));
            QVERIFY(!panel.Item(IDC_WRITE_A)->isEnabled());
            break;
        }
    }
};

QTEST_MAIN(TestFaultsBoard)
#include "test_faults_board.moc"

// Board faults at every byte of every panel action, against the simulated board. What the
// panel must do is worked out by a small model of the link's rules, not taken from a run.
#include "PanelFixture.h"

#include <functional>

namespace {

enum class Fault { Healthy, Silent, WrongByte, NoAnswer, Unplugged, Stuck };
const char* const kFaultNames[] = {"healthy", "silent from", "a wrong answer to", "no answer to", "unplugged from", "stuck from"};
constexpr int kChipA = 0x27, kChipS = 0x15, kWrongAnswer = 0x6B;

// The exchanges of an action, in order.
enum class Step {
    Acknowledged,  // a byte of a write: anything but ACK is said, and the port closed
    Read,          // a read: its answer is the value read
    Unchecked,     // a byte whose answer nobody looks at
    WriteBack,     // a byte of REGISTER_S's write-back: left out when the read before it went unanswered
    HandlerEnds,   // the next handler (a key's release) begins: its write-back is back on
};

struct Action {
    const char* name;
    int control;
    QList<Step> steps;
    QByteArray bytes;  // one per step but HandlerEnds; kValueRead stands for the value read
    // What the handler itself has done at its end, whatever the board did; lastRead is
    // the byte the board answered to the action's read, 0 when none.
    std::function<void(const CPanelFixture& panel, int lastRead)> checkDone;
};
constexpr char kValueRead = char(0xFF);

const QList<Step> kCurrentWrite{Step::Acknowledged, Step::Acknowledged, Step::Read, Step::WriteBack, Step::WriteBack};

const Action kActions[] = {
    {"a step up", IDC_UP_A, kCurrentWrite, Bytes({0x80, 1, 0x93, 0x83, kValueRead}),
     [](const CPanelFixture& panel, int) { QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 1); }},
    {"a trackbar key and its release", IDC_SLIDER1, kCurrentWrite + QList<Step>{Step::HandlerEnds} + kCurrentWrite,
     Bytes({0x80, 1, 0x93, 0x83, kValueRead, 0x80, 1, 0x93, 0x83, kValueRead}),
     [](const CPanelFixture& panel, int) { QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 1); }},
    {"channel A's Write", IDC_WRITE_A, kCurrentWrite, Bytes({0x80, 5, 0x93, 0x83, kValueRead}),
     [](const CPanelFixture& panel, int) { QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 5); }},
    {"REGISTER_S's Write", IDC_WRITE_S, {Step::Acknowledged, Step::Acknowledged}, Bytes({0x83, 0x05}),
     [](const CPanelFixture& panel, int) { QVERIFY(panel.Item(IDC_WRITE_A)->isEnabled()); QVERIFY(!panel.Item(IDC_WRITE_C)->isEnabled()); }},
    {"channel A's Read", IDC_READ_A, {Step::Read}, Bytes({0x90}),
     [](const CPanelFixture& panel, int lastRead) { QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), lastRead & 0x3F); }},
    {"REGISTER_S's Read", IDC_READ_S, {Step::Read}, Bytes({0x93}),
     [](const CPanelFixture& panel, int lastRead) { QCOMPARE(panel.TickedLeds(), lastRead & 0x3F); }},
    {"DISABLE", IDC_ENABLE, {Step::Unchecked}, Bytes({0xB0}),
     [](const CPanelFixture& panel, int) { QCOMPARE(panel.TickedLeds(), 0); QVERIFY(!panel.Item(IDC_WRITE_A)->isEnabled()); }},
};

struct Expected {
    QByteArray wire;
    bool said = false;       // the message, once: a byte of a write not acknowledged
    bool cancelled = false;  // a byte that could not be sent
    int lastRead = 0;
};

bool FromByte(Fault fault, Fault kind, int n, int i)
{
    return fault == kind && i >= n;
}

// What the panel must do when the fault strikes at byte n of the action.
Expected Model(const Action& action, Fault fault, int n)
{
    Expected out;
    int chipS = kChipS;  // the chip takes every value byte it receives
    bool readAnswered = true;
    int b = 0;
    for (const Step step : action.steps) {
        if (step == Step::HandlerEnds) {
            readAnswered = true;
            continue;
        }
        const char planned = action.bytes.at(b++);
        if (step == Step::WriteBack && !readAnswered)
            continue;
        const bool checked = step == Step::Acknowledged || step == Step::WriteBack;
        const int byte = planned == kValueRead ? out.lastRead : quint8(planned);
        const int i = int(out.wire.size());
        // Once said, the port is closed: nothing more is sent. A byte that cannot be sent
        // cancels, and in a write is said too.
        if (out.said || FromByte(fault, Fault::Unplugged, n, i) || FromByte(fault, Fault::Stuck, n, i)) {
            out.cancelled = out.cancelled || !out.said;
            out.said = out.said || checked;
            readAnswered = false;
            continue;
        }
        if (out.wire.endsWith(char(0x83)))
            chipS = byte;
        out.wire.append(char(byte));
        const bool silent = FromByte(fault, Fault::Silent, n, i) || (fault == Fault::NoAnswer && i == n);
        const int healthy = byte == 0x93 ? chipS : byte == 0x90 ? kChipA : board::ACK;
        const int reply = silent ? 0 : fault == Fault::WrongByte && i == n ? kWrongAnswer : healthy;
        if (step == Step::Read) {
            out.lastRead = reply;
            readAnswered = !silent;
        }
        out.said = checked && reply != board::ACK;
    }
    return out;
}

}  // namespace

class TestFaultsBoard : public QObject {
    Q_OBJECT

private slots:
    void aFaultAtEveryByteOfEveryAction_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("byte");
        for (int a = 0; a < int(std::size(kActions)); ++a) {
            QTest::addRow("%s, healthy", kActions[a].name) << a << int(Fault::Healthy) << 0;
            for (int fault = int(Fault::Silent); fault <= int(Fault::Stuck); ++fault) {
                for (int n = 0; n < Model(kActions[a], Fault::Healthy, 0).wire.size(); ++n)
                    QTest::addRow("%s, %s byte %d", kActions[a].name, kFaultNames[fault], n) << a << fault << n;
            }
        }
    }
    void aFaultAtEveryByteOfEveryAction()
    {
        QFETCH(int, action);
        QFETCH(int, fault);
        QFETCH(int, byte);
        const Action& act = kActions[action];
        const Expected expected = Model(act, Fault(fault), byte);
        CPanelFixture panel;
        panel.SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        panel.Field(IDC_BITS_A)->setText(" X  X  0  0   0  1  0  1 ");
        panel.Click(IDC_LED_C1);
        panel.board->registers = {kChipA, 0, 0, kChipS};
        panel.ClearWire();
        board::CSimulatedFaults& faults = panel.board->faults;
        const int at = panel.board->ReceivedCount() + byte;
        switch (Fault(fault)) {
        case Fault::Healthy: break;
        case Fault::Silent: faults.silentFrom = at; break;
        case Fault::WrongByte: faults.wrongAnswerAt = at; faults.wrongAnswer = kWrongAnswer; break;
        case Fault::NoAnswer: faults.wrongAnswerAt = at; faults.wrongAnswer.reset(); break;
        case Fault::Unplugged: faults.unpluggedFrom = at; break;
        case Fault::Stuck: faults.stuckFrom = at; break;
        }
        if (act.control == IDC_SLIDER1)
            QTest::keyClick(panel.Item(IDC_SLIDER1), Qt::Key_Right);
        else
            panel.Click(act.control);

        QCOMPARE(panel.Wire().toHex(' '), expected.wire.toHex(' '));
        // Said at most once, with the port closed once; the panel ends exactly when it must.
        QCOMPARE(panel.messages, expected.said ? QStringList("\"COM Error\" or \"Power OFF\"") : QStringList());
        QCOMPARE(panel.board->CloseCount(), expected.said ? 1 : 0);
        QCOMPARE(panel.dialog->QuitRequested(), expected.said);
        QCOMPARE(panel.dialog->EndRequested(), expected.said || expected.cancelled);
        QCOMPARE(panel.dialog->isVisible(), !panel.dialog->EndRequested());
        act.checkDone(panel, expected.lastRead);
    }
};

QTEST_MAIN(TestFaultsBoard)
#include "test_faults_board.moc"

// Board faults at every byte of every panel action, against the simulated board. What the
// panel must do is worked out by a small model of the link's rules, not taken from a run.
#include "PanelFixture.h"

namespace {

enum Fault { Healthy, Silent, WrongByte, NoAnswer, Unplugged, Stuck };
const char* const kFaults[] = {"healthy", "silent", "wrong", "unanswered", "unplugged", "stuck"};
constexpr int kChipA = 0x27, kChipS = 0x15, kWrong = 0x6B, kReadValue = 0xFF;

// The exchanges of a gesture, one letter each: c a byte that must be acknowledged, r a
// read, u a byte whose answer nobody checks, w a checked write-back, left out when the
// read before it went unanswered; '|' ends a handler. kReadValue stands for the byte read.
struct Action {
    const char* name;
    int control;
    const char* kinds;
    QByteArray bytes;
};
const QByteArray kCurrentWrite = Bytes({0x80, 1, 0x93, 0x83, kReadValue});
const Action kActions[] = {
    {"step", IDC_UP_A, "ccrww", kCurrentWrite},
    {"trackbarKey", IDC_SLIDER1, "ccrww|ccrww", kCurrentWrite + kCurrentWrite},  // the key, then its release
    {"channelWrite", IDC_WRITE_A, "ccrww", Bytes({0x80, 5, 0x93, 0x83, kReadValue})},
    {"writeS", IDC_WRITE_S, "cc", Bytes({0x83, 0x05})},
    {"channelRead", IDC_READ_A, "r", Bytes({0x90})},
    {"readS", IDC_READ_S, "r", Bytes({0x93})},
    {"disable", IDC_ENABLE, "u", Bytes({0xB0})}};

struct Expected {
    QByteArray wire;
    int messages = 0;
    bool cancelled = false;
    int lastRead = 0;
};

// What the panel must do when the fault strikes at byte n of the action.
Expected Model(const Action& action, Fault fault, int n)
{
    Expected out;
    int chipS = kChipS;  // the chip takes every value byte it receives
    bool readAnswered = true;
    for (int k = 0, b = 0; action.kinds[k]; ++k) {
        const char kind = action.kinds[k];
        if (kind == '|' || (kind == 'w' && !readAnswered)) {
            readAnswered = readAnswered || kind == '|';
            b += kind == 'w';
            continue;
        }
        const int byte = quint8(action.bytes[b++]) == kReadValue ? out.lastRead : quint8(action.bytes[b - 1]);
        const int i = int(out.wire.size());
        if (out.messages || ((fault == Unplugged || fault == Stuck) && i >= n)) {
            out.cancelled = true;
            readAnswered = false;
            out.messages = out.messages || kind == 'c' || kind == 'w';
            continue;
        }
        if (out.wire.endsWith(char(0x83)))
            chipS = byte;
        out.wire.append(char(byte));
        const bool silent = (fault == Silent && i >= n) || (fault == NoAnswer && i == n);
        const int healthy = byte == 0x93 ? chipS : byte == 0x90 ? kChipA : board::ACK;
        const int reply = silent ? 0 : fault == WrongByte && i == n ? kWrong : healthy;
        if (kind == 'r') {
            out.lastRead = reply;
            readAnswered = !silent;
        }
        out.messages = (kind == 'c' || kind == 'w') && reply != board::ACK;
    }
    return out;
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
        for (int a = 0; a < int(std::size(kActions)); ++a) {
            QTest::addRow("%s/healthy", kActions[a].name) << a << int(Healthy) << 0;
            for (int fault = Silent; fault <= Stuck; ++fault) {
                for (int n = 0; n < Model(kActions[a], Healthy, 0).wire.size(); ++n)
                    QTest::addRow("%s/%s@%d", kActions[a].name, kFaults[fault], n) << a << fault << n;
            }
        }
    }
    void faultAtEveryByteOfEveryAction()
    {
        QFETCH(int, action);
        QFETCH(int, fault);
        QFETCH(int, n);
        const Action& act = kActions[action];
        const Expected expected = Model(act, Fault(fault), n);
        CPanelFixture panel;
        panel.SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        panel.Field(IDC_BITS_A)->setText(TextOf(5));
        panel.Click(IDC_LED_C1);
        panel.board->registers = {kChipA, 0, 0, kChipS};
        panel.ClearWire();
        board::CSimulatedFaults& f = panel.board->faults;
        int unused = 0;
        int& from = fault == Silent ? f.silentFrom : fault == Unplugged ? f.unpluggedFrom : fault == Stuck ? f.stuckFrom
                  : fault == Healthy ? unused : f.wrongAnswerAt;
        from = panel.board->ReceivedCount() + n;
        f.wrongAnswer = fault == WrongByte ? std::optional<quint8>(kWrong) : std::nullopt;
        if (act.control == IDC_SLIDER1)
            QTest::keyClick(panel.Item(IDC_SLIDER1), Qt::Key_Right);
        else
            panel.Click(act.control);

        // Nothing after a failed acknowledgement, the port closed once at most, one
        // message at most, and the panel ends exactly when asked to.
        QCOMPARE(panel.Wire().toHex(' '), expected.wire.toHex(' '));
        QCOMPARE(panel.board->CloseCount(), expected.messages);
        QCOMPARE(panel.messages, QStringList(expected.messages, QString::fromLatin1(board::kComErrorMessage)));
        QCOMPARE(panel.dialog->QuitRequested(), expected.messages == 1);
        QCOMPARE(panel.dialog->EndRequested(), expected.messages || expected.cancelled);
        QCOMPARE(panel.dialog->isVisible(), !panel.dialog->EndRequested());
        // The handler's own steps were all done, whatever the board did.
        const int read = expected.lastRead & 0x3F;
        const QList<int> shown{panel.Trackbar(IDC_SLIDER1)->value(), panel.dialog->m_nLedState, panel.Item(IDC_WRITE_A)->isEnabled()};
        const QMap<int, QList<int>> done{{IDC_UP_A, {1, 5, 1}}, {IDC_SLIDER1, {1, 5, 1}}, {IDC_WRITE_A, {5, 5, 1}},
                                         {IDC_WRITE_S, {0, 5, 1}}, {IDC_READ_A, {read, 5, 1}}, {IDC_READ_S, {0, read, 1}},
                                         {IDC_ENABLE, {0, 0, 0}}};
        QCOMPARE(shown, done[act.control]);
    }
};

QTEST_MAIN(TestFaultsBoard)
#include "test_faults_board.moc"

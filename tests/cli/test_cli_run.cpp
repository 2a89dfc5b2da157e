// ldx7320-cli's runs in process on the simulated board: each command's bytes and its answer
// in words and in JSON, and how a run ends when a command fails on the board.
#include "CliRun.h"
#include "SimulatedBoard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace cli;

namespace {

// Runs command line words on a simulated board on "SIM" holding S 0xCC (B1, B2 and the two
// bits that are no LEDs), A 37, B 0xC5 and C 63, keeping standard output and error as lines.
struct SimulatedRun {
    board::CSimulatedPortProvider ports;
    std::shared_ptr<board::CSimulatedBoard> board = ports.Attach("SIM");
    QStringList out, err;

    SimulatedRun() { board->registers = {37, 0xC5, 63, 0xCC}; }
    int Run(const QStringList& words)
    {
        const CliOptions options = ParseCliCommandLine(QStringList{"ldx7320-cli"} + words);
        COutput output(
            options.json, [this](const QByteArray& line) { return out << QString::fromLocal8Bit(line), true; },
            [this](const QByteArray& line) { return err << QString::fromLocal8Bit(line), true; });
        const bool refused = options.action != CliOptions::Action::RunCommands;
        return refused ? -1 : CCliRun(ports, {"SIM"}, options.trace, output).RunCommands(options.commands);
    }
};

// One row: the command line; a fault ("wrong N" and "unanswered N" for the board's byte N
// alone, "unplugged N" from it on); the bytes after the probe; the answers in words; the
// last answer with --json, when given.
struct Row {
    QString words, fault;
    QByteArray hex;
    QString out;
    QByteArray lastJson;
};

}  // namespace

Q_DECLARE_METATYPE(Row)

class TestCliRun : public QObject {
    Q_OBJECT

private slots:
    // After the probe the board gets the commands' bytes and nothing else. The first command
    // that fails ends the run with 1: it is answered with what went wrong, and nothing later
    // is sent.
    void commandsOnTheBoard_data()
    {
        QTest::addColumn<Row>("row");
        const auto row = [](const char* name, const char* words, const char* fault, const char* hex, const QString& out,
                            const QByteArray& lastJson = {}) {
            QTest::newRow(name) << Row{words, fault, hex, out, lastJson};
        };
        row("on, off", "on ; OFF", "", "B1 B0", "on: output on\nOFF: output off",
            R"({"command":"off","number":2,"output":"off"})");
        row("leds", "leds A1,c2; leds none", "", "83 21 83 00",
            "leds A1,c2: REGISTER_S 0x21, LEDs on: A1 C2\nleds none: REGISTER_S 0x00, LEDs on: none",
            R"({"command":"leds","number":2,"register":"S","value":0,"leds":[]})");
        row("read", "read S ; read a ; read B", "", "93 90 91",
            "read S: 0xCC, LEDs on: B1 B2\nread a: code 37, 19.0 mA\nread B: code 5, 3.0 mA (the register holds 0xC5)",
            R"({"command":"read","number":3,"register":"B","value":197,"code":5,"current_mA":3})");
        row("set", "set A 0 ; SET c 32.0mA", "", "80 00 93 83 CC 82 3F 93 83 CC",
            "set A 0: code 0, 0.5 mA, REGISTER_S written back\n"
            "SET c 32.0mA: code 63, 32.0 mA, REGISTER_S written back");
        row("status", "on ; status;", "", "B1 93 90 91 92",
            "on: output on\nstatus: output on; S 0xCC, LEDs on: B1 B2; A code 37, 19.0 mA; "
            "B code 5, 3.0 mA (the register holds 0xC5); C code 63, 32.0 mA");
        row("wrong answer to on", "on ; off", "wrong 1", "B1",
            "error: command 1 (on): the board answered 0x00 to 0xB1 instead of 0x4B (ACK)");
        row("unanswered read", "read A ; off", "unanswered 1", "90",
            "error: command 1 (read A): the board did not answer the read of REGISTER_A");
        row("device gone in status", "on ; status ; off", "unplugged 3", "B1 93",
            "on: output on\nerror: command 2 (status): a byte could not be exchanged: the port failed or the device "
            "went away");
        const QString notWrittenBack =
            "code 3 (2.0 mA) was written to B, but REGISTER_S was not written back: the board did not answer its read";
        row("REGISTER_S not written back", "set B 3 ; off", "unanswered 3", "81 03 93",
            "error: command 1 (set B 3): " + notWrittenBack,
            R"({"command":"set","number":1,"register":"B","code":3,"current_mA":2,"register_s_written_back":false,)"
            "\"error\":\"" + notWrittenBack.toUtf8() + "\"}");
    }
    void commandsOnTheBoard()
    {
        QFETCH(Row, row);
        const auto& [words, fault, hex, out, lastJson] = row;
        for (const QString& option : QStringList{"--trace", "--json"}) {  // the probe is the board's byte 0
            SimulatedRun r;
            auto& faults = r.board->faults;
            const QString mode = fault.section(' ', 0, 0);
            const int at = fault.isEmpty() ? -1 : fault.section(' ', 1).toInt();
            (mode == "unplugged" ? faults.unpluggedFrom : faults.wrongAnswerAt) = at;
            if (mode == "unanswered")
                faults.wrongAnswer.reset();
            const int exitCode = fault.isEmpty() ? kExitDone : kExitFailed;
            QCOMPARE(r.Run(QStringList{option} + words.split(' ')), exitCode);
            QCOMPARE(r.board->Received(), QByteArray::fromHex("BB " + hex));
            if (option == "--json") {
                if (!lastJson.isEmpty())
                    QCOMPARE(QJsonDocument::fromJson(r.out.last().toUtf8()), QJsonDocument::fromJson(lastJson));
                continue;
            }
            QCOMPARE(r.out.join('\n'), out);
            QCOMPARE(r.err.first(), "SIM  sent 0xBB  received 0x4B");  // the trace
        }
    }
};

QTEST_GUILESS_MAIN(TestCliRun)
#include "test_cli_run.moc"

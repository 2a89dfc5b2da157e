// ldx7320-cli's runs in process on the simulated board: each command's bytes and its answer
// in words and in JSON, and how a run ends when a command fails on the board.
#include "Bytes.h"
#include "CliCommandLine.h"
#include "ChosenPorts.h"
#include "CliRun.h"
#include "FakeHost.h"
#include "FaultyBoard.h"
#include "SimulatedBoard.h"

#include <QJsonDocument>
#include <QtTest>

using namespace cli;

namespace {

// Runs command-line words on a simulated board on "SIM" holding S 0xCC (B1, B2 and the two
// bits that are no LEDs), A 37, B 0xC5 and C 63, keeping standard output and error as lines.
struct SimulatedRun {
    board::CSimulatedPortProvider ports;
    std::shared_ptr<CFaultyBoard> board = ports.Attach<CFaultyBoard>("SIM");
    QStringList out, err;

    explicit SimulatedRun(const SimulatedFaults& faults = {})
    {
        board->registers = {37, 0xC5, 63, 0xCC};
        board->faults = faults;
    }
    int Run(const QString& words)
    {
        const CliOptions options = ParseCliCommandLine(QStringList{"ldx7320-cli"} + words.split(' '));
        COutput output(
            options.json, [this](const QByteArray& line) { return out << QString::fromLocal8Bit(line), true; },
            [this](const QByteArray& line) { return err << QString::fromLocal8Bit(line), true; });
        return CCliRun(ports, {"SIM"}, options.board.trace, output).RunCommands(options.commands);
    }
    // What the board received after the probe.
    QByteArray Commands() const { return board->Received().mid(1); }
};

// The board answers its byte number `byte` (the probe is byte 0) with 0x00, or not at all,
// or is unplugged from it on.
enum class Fault { WrongAnswer, NoAnswer, Unplugged };
SimulatedFaults FaultAt(Fault fault, int byte)
{
    SimulatedFaults faults;
    (fault == Fault::Unplugged ? faults.unpluggedFrom : faults.wrongAnswerAt) = byte;
    faults.wrongAnswer = fault == Fault::WrongAnswer ? std::optional<quint8>(0x00) : std::nullopt;
    return faults;
}

}  // namespace

Q_DECLARE_METATYPE(SimulatedFaults)

class TestCliRun : public QObject {
    Q_OBJECT

private slots:
    // After the probe the board gets the commands' bytes and nothing else.
    void commandsSendTheirBytesAndAnswerInWords_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("answers");
        QTest::newRow("on, then OFF in capitals") << "on ; OFF" << Bytes({0xB1, 0xB0}) << "on: output on\nOFF: output off";
        QTest::newRow("leds, a list and none") << "leds A1,c2; leds none" << Bytes({0x83, 0x21, 0x83, 0x00}) << "leds A1,c2: REGISTER_S 0x21, LEDs on: A1 C2\nleds none: REGISTER_S 0x00, LEDs on: none";
        QTest::newRow("read S, A and B, whose high bits are no code") << "read S ; read a ; read B" << Bytes({0x93, 0x90, 0x91}) << "read S: 0xCC, LEDs on: B1 B2\nread a: code 37, 19.0 mA\nread B: code 5, 3.0 mA (the register holds 0xC5)";
        QTest::newRow("set by code and by current") << "set A 0 ; SET c 32.0mA" << CurrentWrite(board::REGISTER_A, 0x00, 0xCC) + CurrentWrite(board::REGISTER_C, 0x3F, 0xCC) << "set A 0: code 0, 0.5 mA, REGISTER_S written back\nSET c 32.0mA: code 63, 32.0 mA, REGISTER_S written back";
        QTest::newRow("status after on") << "on ; status;" << Bytes({0xB1, 0x93, 0x90, 0x91, 0x92}) << "on: output on\nstatus: output on; S 0xCC, LEDs on: B1 B2; A code 37, 19.0 mA; B code 5, 3.0 mA (the register holds 0xC5); C code 63, 32.0 mA";
    }
    void commandsSendTheirBytesAndAnswerInWords()
    {
        QFETCH(QString, words);
        QFETCH(QByteArray, sent);
        QFETCH(QString, answers);
        SimulatedRun run;
        QCOMPARE(run.Run("--trace " + words), kExitDone);
        QCOMPARE(run.Commands(), sent);
        QCOMPARE(run.out.join('\n'), answers);
        QCOMPARE(Untimed(run.err.value(0)), "SIM  sent 0xBB  received 0x4B");
    }

    void answersInJson_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<SimulatedFaults>("faults");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("lastAnswer");
        const SimulatedFaults none;
        QTest::newRow("off") << "on ; off" << none << kExitDone << QByteArray(R"({"command":"off","number":2,"output":"off"})");
        QTest::newRow("leds none") << "leds none" << none << kExitDone << QByteArray(R"({"command":"leds","number":1,"register":"S","value":0,"leds":[]})");
        QTest::newRow("read B") << "read B" << none << kExitDone << QByteArray(R"({"command":"read","number":1,"register":"B","value":197,"code":5,"current_mA":3})");
        QTest::newRow("set") << "set C 12.5mA" << none << kExitDone << QByteArray(R"({"command":"set","number":1,"register":"C","code":24,"current_mA":12.5,"register_s_written_back":true})");
        QTest::newRow("status") << "status" << none << kExitDone << QByteArray(R"({"command":"status","number":1,"output":"unknown","registers":{"S":{"value":204,"leds":["B1","B2"]},"A":{"value":37,"code":37,"current_mA":19},"B":{"value":197,"code":5,"current_mA":3},"C":{"value":63,"code":63,"current_mA":32}}})");
        QTest::newRow("a set whose write-back failed says what went out") << "set B 3" << FaultAt(Fault::NoAnswer, 3) << kExitFailed << QByteArray(R"({"command":"set","number":1,"register":"B","code":3,"current_mA":2,"register_s_written_back":false,"error":"code 3 (2.0 mA) was written to B, but REGISTER_S was not written back: the board did not answer its read"})");
    }
    void answersInJson()
    {
        QFETCH(QString, words);
        QFETCH(SimulatedFaults, faults);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, lastAnswer);
        SimulatedRun run(faults);
        QCOMPARE(run.Run("--json " + words), exitCode);
        QCOMPARE(QJsonDocument::fromJson(run.out.value(run.out.size() - 1).toUtf8()), QJsonDocument::fromJson(lastAnswer));
    }

    // Twenty probes, and the figures beside the wire's; a board that answers at once needs
    // no advice.
    void latencyProbesTheBoardTwentyTimes()
    {
        SimulatedRun run;
        QCOMPARE(run.Run("--json latency"), kExitDone);
        QCOMPARE(run.Commands(), QByteArray(20, char(0xBB)));
        const QJsonObject answer = QJsonDocument::fromJson(run.out.value(0).toUtf8()).object();
        QCOMPARE(answer.value("wire_ms").toDouble(), 2.08);
        QCOMPARE(answer.value("advice").toString(), QString());
        QVERIFY2(answer.value("median_ms").toDouble() <= answer.value("max_ms").toDouble(), qPrintable(run.out.value(0)));
    }

    // --paced: the simulated board takes the wire's time, whatever the platform's timer.
    void thePacedSimulatedBoardTakesTheWiresTime()
    {
        const CliOptions options = ParseCliCommandLine({"ldx7320-cli", "--simulate", "--paced", "--json", "latency"});
        board::CChosenPorts ports(options.board);
        QByteArray answer;
        COutput output(true, [&answer](const QByteArray& line) { return answer = line, true; }, [](const QByteArray&) { return true; });
        QCOMPARE(CCliRun(ports.Provider(), ports.Candidates(), false, output).RunCommands(options.commands), kExitDone);
        const QJsonObject figures = QJsonDocument::fromJson(answer).object();
        QVERIFY2(figures.value("median_ms").toDouble() >= figures.value("wire_ms").toDouble(), answer.constData());
    }

    // The first command that fails ends the run with 1: it is answered with what went
    // wrong, and nothing later is sent.
    void aCommandThatFailsOnTheBoardEndsTheRun_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<SimulatedFaults>("faults");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("answers");
        QTest::newRow("a wrong answer to on") << "on ; off" << FaultAt(Fault::WrongAnswer, 1) << Bytes({0xB1}) << "error: command 1 (on): the board answered 0x00 to 0xB1 instead of 0x4B (ACK)";
        QTest::newRow("no answer to on") << "on ; off" << FaultAt(Fault::NoAnswer, 1) << Bytes({0xB1}) << "error: command 1 (on): the board did not answer 0xB1";
        QTest::newRow("an unanswered read") << "read A ; off" << FaultAt(Fault::NoAnswer, 1) << Bytes({0x90}) << "error: command 1 (read A): the board did not answer the read of REGISTER_A";
        QTest::newRow("the device gone during status") << "on ; status ; off" << FaultAt(Fault::Unplugged, 3) << Bytes({0xB1, 0x93}) << "on: output on\nerror: command 2 (status): a byte could not be exchanged: the port failed or the device went away";
        QTest::newRow("leds not acknowledged") << "leds A1 ; off" << FaultAt(Fault::WrongAnswer, 2) << Bytes({0x83, 0x01}) << "error: command 1 (leds A1): the board answered 0x00 to 0x01 instead of 0x4B (ACK)";
        QTest::newRow("a probe of latency unanswered") << "latency ; off" << FaultAt(Fault::NoAnswer, 5) << Bytes({0xBB, 0xBB, 0xBB, 0xBB, 0xBB}) << "error: command 1 (latency): probe 5 of 20: the board did not answer 0xBB";
        QTest::newRow("REGISTER_S not written back after an unanswered read") << "set B 3 ; off" << FaultAt(Fault::NoAnswer, 3) << Bytes({0x81, 0x03, 0x93}) << "error: command 1 (set B 3): code 3 (2.0 mA) was written to B, but REGISTER_S was not written back: the board did not answer its read";
    }
    void aCommandThatFailsOnTheBoardEndsTheRun()
    {
        QFETCH(QString, words);
        QFETCH(SimulatedFaults, faults);
        QFETCH(QByteArray, sent);
        QFETCH(QString, answers);
        SimulatedRun run(faults);
        QCOMPARE(run.Run(words), kExitFailed);
        QCOMPARE(run.Commands(), sent);
        QCOMPARE(run.out.join('\n'), answers);
        QVERIFY2(run.err.value(run.err.size() - 1).endsWith("; the run ends here"), qPrintable(run.err.join('\n')));
    }

    // With no board, each port tried and why, what to try, then the panel's message once.
    void noBoardSaysWhyForEachPort()
    {
        SimulatedRun run(FaultAt(Fault::NoAnswer, 0));
        QCOMPARE(run.Run("on"), kExitFailed);
        QCOMPARE(run.err.mid(0, 2), QStringList({"No LDX7320 board found on the ports tried:", "  SIM: opened, but nothing answered the probe"}));
        QVERIFY(run.err.contains("What to try:"));
        QCOMPARE(run.err.value(run.err.size() - 1), "ldx7320-cli: \"COM Error\" or \"Power OFF\"");
        QCOMPARE(run.out, QStringList());
        QCOMPARE(run.board->Received(), Bytes({0xBB}));
    }

    // Names and arguments in any case; each is read before anything is sent.
    void commandsAreReadBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("error");  // empty: read as it should be
        QTest::newRow("a current of one of the steps") << "set b 0.5MA" << "";
        QTest::newRow("code 64") << "set A 64" << "code 64 is out of range: 0 to 63";
        QTest::newRow("a code too long for a number") << "set A 99999999999" << "code 99999999999 is out of range: 0 to 63";
        QTest::newRow("a negative code") << "set A -1" << "'-1' is neither a code (0 to 63) nor a current such as 12.5mA";
        QTest::newRow("12.3mA") << "set A 12.3mA" << "12.3 mA is not one of the 64 steps: 0.5 mA to 32.0 mA in steps of 0.5 mA";
        QTest::newRow("S is no channel") << "set S 5" << "'S' is not a channel: A, B or C";
        QTest::newRow("too few arguments") << "set A" << "'set' takes two arguments: A, B or C, then a code (0 to 63) or a current such as 12.5mA";
        QTest::newRow("an argument too many") << "status now" << "'status' takes no argument";
        QTest::newRow("an unknown LED") << "leds A1,D1" << "'D1' is not an LED: the LEDs are A1 A2 B1 B2 C1 C2, or none";
        QTest::newRow("an unknown register") << "read X" << "'X' is not a register: S, A, B or C";
        QTest::newRow("an unknown command") << "frob" << "unknown command 'frob': on, off, leds, read, set, status, latency, ports";
        QTest::newRow("';' inside a word") << "on;off" << "';' separates commands only as a word of its own or at the end of a word";
    }
    void commandsAreReadBeforeAnythingIsSent()
    {
        QFETCH(QString, words);
        QFETCH(QString, error);
        const CliOptions read = ParseCliCommandLine(QStringList{"ldx7320-cli", "--simulate"} + words.split(' '));
        QCOMPARE(read.error, QString());
        QCOMPARE(read.commands.value(0).error, error);
    }

    // The help lists every form of every command of the table, each with what it does.
    void theHelpListsEveryCommand()
    {
        QVERIFY(Texts().help.contains("\n  on                       switch the board's output on (it must acknowledge)\n"));
        for (const char* form : {"on ", "off ", "leds NAME[,NAME...] ", "leds none ", "read S|A|B|C ", "set A|B|C CODE ",
                                 "set A|B|C CURRENTmA ", "status ", "latency ", "ports "})
            QVERIFY2(Texts().help.contains(QStringLiteral("\n  ") + form), form);
    }
};

QTEST_GUILESS_MAIN(TestCliRun)
#include "test_cli_run.moc"

// ldx7320-cli's runs in process on the simulated board: each command's bytes and its answer
// in words and in JSON, and how a run ends when a command fails on the board.
#include "CliRun.h"
#include "SimulatedBoard.h"

#include <QJsonArray>
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
        return CCliRun(ports, {"SIM"}, options.trace, output).RunCommands(options.commands);
    }
    QJsonObject LastJson() const { return QJsonDocument::fromJson(out.last().toUtf8()).object(); }
};

}  // namespace

class TestCliRun : public QObject {
    Q_OBJECT

private slots:
    // After the probe the board gets the commands' bytes and nothing else. The first command
    // that fails ends the run with 1: it is answered with what went wrong, standard error
    // says which command failed, and nothing later is sent.
    void commandsOnTheBoard_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("fault");  // a fault of the board from byte `at` on, the probe being 0
        QTest::addColumn<int>("at");
        QTest::addColumn<QByteArray>("hex");       // the bytes after the probe
        QTest::addColumn<QString>("out");          // the answers in words
        QTest::addColumn<QByteArray>("lastJson");  // the last answer with --json, when given
        QTest::newRow("on, off") << "on ; OFF" << "" << 0 << QByteArray("B1 B0") << "on: output on\nOFF: output off"
                                 << QByteArray(R"({"command":"off","number":2,"output":"off"})");
        QTest::newRow("leds") << "leds A1,c2; leds none" << "" << 0 << QByteArray("83 21 83 00")
                              << "leds A1,c2: REGISTER_S 0x21, LEDs on: A1 C2\nleds none: REGISTER_S 0x00, LEDs on: none"
                              << QByteArray(R"({"command":"leds","number":2,"register":"S","value":0,"leds":[]})");
        QTest::newRow("read") << "read S ; read a ; read B" << "" << 0 << QByteArray("93 90 91")
                              << "read S: 0xCC, LEDs on: B1 B2\nread a: code 37, 19.0 mA\n"
                                 "read B: code 5, 3.0 mA (the register holds 0xC5)"
                              << QByteArray(R"({"command":"read","number":3,"register":"B","value":197,"code":5,"current_mA":3})");
        QTest::newRow("set") << "set A 0 ; SET c 32.0mA" << "" << 0 << QByteArray("80 00 93 83 CC 82 3F 93 83 CC")
                             << "set A 0: code 0, 0.5 mA, REGISTER_S written back\n"
                                "SET c 32.0mA: code 63, 32.0 mA, REGISTER_S written back"
                             << QByteArray(R"({"command":"set","number":2,"register":"C","code":63,"current_mA":32,)"
                                           R"("register_s_written_back":true})");
        QTest::newRow("status") << "on ; status;" << "" << 0 << QByteArray("B1 93 90 91 92")
                                << "on: output on\nstatus: output on; S 0xCC, LEDs on: B1 B2; A code 37, 19.0 mA; "
                                   "B code 5, 3.0 mA (the register holds 0xC5); C code 63, 32.0 mA"
                                << QByteArray(R"({"command":"status","number":2,"output":"on","registers":{"S":{"value":204,)"
                                              R"("leds":["B1","B2"]},"A":{"value":37,"code":37,"current_mA":19},"B":{"value":197,)"
                                              R"("code":5,"current_mA":3},"C":{"value":63,"code":63,"current_mA":32}}})");
        QTest::newRow("wrong answer to on") << "on ; off" << "wrong" << 1 << QByteArray("B1")
                                            << "error: command 1 (on): the board answered 0x00 to 0xB1 instead of 0x4B (ACK)"
                                            << QByteArray();
        QTest::newRow("no answer to off") << "off ; on" << "silent" << 1 << QByteArray("B0")
                                          << "error: command 1 (off): the board did not answer 0xB0" << QByteArray();
        QTest::newRow("unanswered read") << "read A ; off" << "unanswered" << 1 << QByteArray("90")
                                         << "error: command 1 (read A): the board did not answer the read of REGISTER_A"
                                         << QByteArray();
        QTest::newRow("device gone in status") << "on ; status ; off" << "unplugged" << 3 << QByteArray("B1 93")
                                               << "on: output on\nerror: command 2 (status): a byte could not be "
                                                  "exchanged: the port failed or the device went away"
                                               << QByteArray(R"({"command":"status","number":2,"error":"a byte could not )"
                                                             R"(be exchanged: the port failed or the device went away"})");
        QTest::newRow("REGISTER_S not written back")
            << "set B 3 ; off" << "unanswered" << 3 << QByteArray("81 03 93")
            << "error: command 1 (set B 3): code 3 (2.0 mA) was written to B, but REGISTER_S was not written back: "
               "the board did not answer its read"
            << QByteArray(R"({"command":"set","number":1,"register":"B","code":3,"current_mA":2,"register_s_written_back":false,)"
                          R"("error":"code 3 (2.0 mA) was written to B, but REGISTER_S was not written back: the board did )"
                          R"(not answer its read"})");
    }
    void commandsOnTheBoard()
    {
        QFETCH(QString, words);
        QFETCH(QString, fault);
        QFETCH(int, at);
        QFETCH(QByteArray, hex);
        QFETCH(QString, out);
        QFETCH(QByteArray, lastJson);
        for (const QString& option : QStringList{"--trace", "--json"}) {
            SimulatedRun r;
            auto& faults = r.board->faults;
            (fault == "silent" ? faults.silentFrom : fault == "unplugged" ? faults.unpluggedFrom : faults.wrongAnswerAt) =
                fault.isEmpty() ? -1 : at;
            if (fault == "unanswered")
                faults.wrongAnswer.reset();
            QCOMPARE(r.Run(QStringList{option} + words.split(' ')), fault.isEmpty() ? int(kExitDone) : int(kExitFailed));
            QCOMPARE(r.board->Received(), QByteArray::fromHex("BB " + hex));
            if (option == "--json") {
                QVERIFY(lastJson.isEmpty() || r.LastJson() == QJsonDocument::fromJson(lastJson).object());
                continue;
            }
            QCOMPARE(r.out.join('\n'), out);
            QCOMPARE(r.err.first(), "SIM  sent 0xBB  received 0x4B");  // the trace
            QString failed = out.section('\n', -1).mid(7);  // "command 2 (status): what went wrong"
            failed.replace(failed.indexOf("): "), 3, ") failed: ");
            if (!fault.isEmpty())
                QCOMPARE(r.err.last(), "ldx7320-cli: " + failed + "; the run ends here");
        }
    }

    // `ports` alone opens no port: it lists this machine's ports as `ldx7320 --list-ports` does.
    void portsNeedsNoBoard()
    {
        SimulatedRun r;
        const QList<board::SerialPortEntry> ports = board::ListSerialPorts();
        QCOMPARE(r.Run({"ports"}), int(kExitDone));
        QCOMPARE(r.out, board::FormatPortListing(ports));
        QCOMPARE(r.Run({"--json", "ports"}), int(kExitDone));
        QCOMPARE(r.LastJson()["ports"].toArray().size(), ports.size());
        QCOMPARE(r.board->OpenCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCliRun)
#include "test_cli_run.moc"

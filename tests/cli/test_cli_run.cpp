// ldx7320-cli's runs in process on the simulated board: each command's bytes and answer,
// the JSON answers, and how a run ends when a line is refused or a command fails.
#include "CliRun.h"
#include "SimulatedBoard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace cli;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

// A run on a simulated board on "SIM" holding S 0x0C (B1 B2), A 37, B 0xC5, C 63, whose
// standard output and error are kept as lines.
struct SimulatedRun {
    board::CSimulatedPortProvider ports;
    std::shared_ptr<board::CSimulatedBoard> board = ports.Attach("SIM");
    QStringList out, err;
    COutput output;
    CCliRun run;

    explicit SimulatedRun(bool json = false)
        : output(
              json, [this](const QByteArray& line) { return out << QString::fromLocal8Bit(line), true; },
              [this](const QByteArray& line) { return err << QString::fromLocal8Bit(line), true; }),
          run(ports, {"SIM"}, false, output)
    {
        board->registers = {37, 0xC5, 63, 0x0C};
    }
    int Commands(const QStringList& words)
    {
        const CliOptions options = ParseCliCommandLine(QStringList{"ldx7320-cli"} + words);
        return options.action == CliOptions::Action::RunCommands ? run.RunCommands(options.commands) : -1;
    }
    int Lines(QStringList lines)
    {
        return run.RunLines([&lines]() -> std::optional<QString> {
            return lines.isEmpty() ? std::nullopt : std::optional<QString>(lines.takeFirst());
        });
    }
};

}  // namespace

class TestCliRun : public QObject {
    Q_OBJECT

private slots:
    // After the probe the board gets the command's bytes and nothing else.
    void eachCommandSendsItsBytesAndAnswers_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("answer");
        QTest::newRow("on") << QStringList{"on"} << Bytes({0xB1}) << "on: output on";
        QTest::newRow("off") << QStringList{"OFF"} << Bytes({0xB0}) << "OFF: output off";
        QTest::newRow("leds") << QStringList{"leds", "A1,c2"} << Bytes({0x83, 0x21})
                              << "leds A1,c2: REGISTER_S 0x21, LEDs on: A1 C2";
        QTest::newRow("leds none") << QStringList{"leds", "none"} << Bytes({0x83, 0x00})
                                   << "leds none: REGISTER_S 0x00, LEDs on: none";
        QTest::newRow("read S") << QStringList{"read", "S"} << Bytes({0x93}) << "read S: 0x0C, LEDs on: B1 B2";
        QTest::newRow("read A") << QStringList{"read", "a"} << Bytes({0x90}) << "read a: code 37, 19.0 mA";
        QTest::newRow("read B, bits 6 and 7 set")
            << QStringList{"read", "B"} << Bytes({0x91}) << "read B: code 5, 3.0 mA (the register holds 0xC5)";
        QTest::newRow("set code") << QStringList{"set", "A", "0"} << Bytes({0x80, 0x00, 0x93, 0x83, 0x0C})
                                  << "set A 0: code 0, 0.5 mA, REGISTER_S written back";
        QTest::newRow("set current") << QStringList{"SET", "c", "32.0mA"} << Bytes({0x82, 0x3F, 0x93, 0x83, 0x0C})
                                     << "SET c 32.0mA: code 63, 32.0 mA, REGISTER_S written back";
        QTest::newRow("status") << QStringList{"status"} << Bytes({0x93, 0x90, 0x91, 0x92})
                                << "status: output unknown; S 0x0C, LEDs on: B1 B2; A code 37, 19.0 mA; "
                                   "B code 5, 3.0 mA (the register holds 0xC5); C code 63, 32.0 mA";
    }
    void eachCommandSendsItsBytesAndAnswers()
    {
        QFETCH(QStringList, words);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, answer);
        SimulatedRun r;
        QCOMPARE(r.Commands(words), int(kExitDone));
        QCOMPARE(r.board->Received(), Bytes({0xBB}) + bytes);
        QCOMPARE(r.out, QStringList{answer});
        QCOMPARE(r.err, QStringList());
    }

    // Every line of the `-` mode is answered in order; a refused one too, and the run goes
    // on after it, then ends with 2.
    void jsonAnswersOfTheStandardInputMode()
    {
        SimulatedRun r(true);
        QCOMPARE(r.Lines({"read A", "set b 20.5mA", "set B 64", "read S", "on", "status"}), int(kExitUsage));
        QCOMPARE(r.out.size(), 6);
        QList<QJsonObject> answers;
        for (const QString& line : r.out) {
            QJsonParseError error{};
            answers << QJsonDocument::fromJson(line.toUtf8(), &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
        }
        QCOMPARE(answers[0], (QJsonObject{{"command", "read"}, {"number", 1}, {"register", "A"}, {"value", 37},
                                          {"code", 37}, {"current_mA", 19.0}}));
        QCOMPARE(answers[1], (QJsonObject{{"command", "set"}, {"number", 2}, {"register", "B"}, {"code", 40},
                                          {"current_mA", 20.5}, {"register_s_written_back", true}}));
        QCOMPARE(answers[2], (QJsonObject{{"command", "set"}, {"number", 3},
                                          {"error", "code 64 is out of range: 0 to 63"}}));
        QCOMPARE(answers[3]["leds"].toVariant().toStringList(), (QStringList{"B1", "B2"}));
        QCOMPARE(answers[4]["output"].toString(), QString("on"));
        QCOMPARE(answers[5]["output"].toString(), QString("on"));
        const QJsonObject registers = answers[5]["registers"].toObject();
        QCOMPARE(registers["B"].toObject()["code"].toInt(), 40);
        QCOMPARE(registers["S"].toObject()["value"].toInt(), 0x0C);
        QCOMPARE(r.board->Received(),
                 Bytes({0xBB, 0x90, 0x81, 0x28, 0x93, 0x83, 0x0C, 0x93, 0xB1, 0x93, 0x90, 0x91, 0x92}));
    }

    // The first command that fails ends the run: its answer says what went wrong, nothing
    // later is sent, and the run exits with 1.
    void aFailedCommandEndsTheRun_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("at");  // the board's byte number, the probe being 0
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString notAcknowledged = "the board did not acknowledge a byte (\"COM Error\" or \"Power OFF\")";
        QTest::newRow("no ACK in a write") << QStringList{"on", ";", "set", "A", "5", ";", "off"} << "silent" << 2
                                           << Bytes({0xBB, 0xB1, 0x80})
                                           << "error: command 2 (set A 5): " + notAcknowledged;
        QTest::newRow("wrong answer to on") << QStringList{"on", ";", "off"} << "wrong" << 1 << Bytes({0xBB, 0xB1})
                                            << "error: command 1 (on): the board answered 0x00 to 0xB1 instead of 0x4B (ACK)";
        QTest::newRow("unanswered read") << QStringList{"read", "A", ";", "off"} << "unanswered" << 1
                                         << Bytes({0xBB, 0x90})
                                         << "error: command 1 (read A): the board did not answer the read of REGISTER_A";
        QTest::newRow("unanswered read in status") << QStringList{"status", ";", "off"} << "unanswered" << 3
                                                   << Bytes({0xBB, 0x93, 0x90, 0x91})
                                                   << "error: command 1 (status): the board did not answer the read of REGISTER_B";
        QTest::newRow("REGISTER_S not written back")
            << QStringList{"set", "B", "3", ";", "off"} << "unanswered" << 3 << Bytes({0xBB, 0x81, 0x03, 0x93})
            << "error: command 1 (set B 3): code 3 (2.0 mA) was written to B, but REGISTER_S was not written back: "
               "the board did not answer its read";
        QTest::newRow("device gone") << QStringList{"on", ";", "leds", "A1", ";", "off"} << "unplugged" << 2
                                     << Bytes({0xBB, 0xB1})
                                     << "error: command 2 (leds A1): a byte could not be exchanged: the port failed "
                                        "or the device went away";
    }
    void aFailedCommandEndsTheRun()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, fault);
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        SimulatedRun r;
        if (fault == "silent")
            r.board->faults.silentFrom = at;
        else if (fault == "unplugged")
            r.board->faults.unpluggedFrom = at;
        else
            r.board->faults.wrongAnswerAt = at;
        if (fault == "unanswered")
            r.board->faults.wrongAnswer.reset();
        QCOMPARE(r.Commands(words), int(kExitFailed));
        QCOMPARE(r.board->Received(), bytes);
        QCOMPARE(r.out.last(), error);
        QVERIFY2(r.err.last().startsWith("ldx7320-cli: " + error.mid(7, error.indexOf("): ") - 6) + " failed: "),
                 qPrintable(r.err.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCliRun)
#include "test_cli_run.moc"

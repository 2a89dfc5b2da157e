// The built ldx7320-cli against boards on real pseudo-terminals: what reaches the wire,
// the standard-input mode a script keeps open, and every way a run ends early.
#include "PtyBoard.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <csignal>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

struct Finished {
    int exitCode = -1;
    QString out, err;
};

// Runs the program to its end; "PTY" in arguments stands for the board's device.
Finished RunProgram(QStringList arguments, const CPtyBoard& pty)
{
    arguments.replaceInStrings(QRegularExpression("^PTY$"), pty.DevicePath());
    QProcess program;
    program.start(LDX_CLI_PROGRAM, arguments);
    program.closeWriteChannel();
    if (!program.waitForFinished(20000))
        return {};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

// What the board has received once count bytes are in (the pty is read by a thread).
QByteArray ReceivedOnce(const CPtyBoard& pty, int count)
{
    (void)QTest::qWaitFor([&] { return pty.Received().size() >= count; }, 2000);
    return pty.Received();
}

// QSerialPort's lock file for the device, in the first of its folders that holds one.
QString LockFileOf(const QString& device)
{
    const QString name = "LCK.." + device.mid(5).replace('/', '_');
    for (const QString& folder : {QStringLiteral("/var/lock"), QDir::tempPath()}) {
        if (QFile::exists(folder + '/' + name))
            return folder + '/' + name;
    }
    return {};
}

}  // namespace

class TestCliProgram : public QObject {
    Q_OBJECT

private slots:
    void commandsGoOutOnTheWireInOrder()
    {
        CPtyBoard pty;
        const Finished run = RunProgram({"--port", "PTY", "on;", "leds", "A1,B2", ";", "set", "A", "12.5mA;", "read",
                                         "A", ";", "status", ";", "off"},
                                        pty);
        QCOMPARE(run.exitCode, 0);
        const QByteArray expected = Bytes({0xBB, 0xB1, 0x83, 0x09, 0x80, 0x18, 0x93, 0x83, 0x09, 0x90, 0x93, 0x90,
                                           0x91, 0x92, 0xB0});
        QCOMPARE(ReceivedOnce(pty, int(expected.size())), expected);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts).size(), 6);
        QVERIFY2(run.out.contains("read A: code 24, 12.5 mA\n"), qPrintable(run.out));
        QCOMPARE(run.err, QString());
    }

    // Every command is checked before a port is opened: the board hears nothing at all.
    void mistakesAreRefusedBeforeAnyByte_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown command") << QStringList{"--port", "PTY", "on", ";", "frob"}
                                         << "command 2 (frob): unknown command 'frob'";
        QTest::newRow("code 64") << QStringList{"--port", "PTY", "on", ";", "set", "A", "64"}
                                 << "command 2 (set A 64): code 64 is out of range: 0 to 63";
        QTest::newRow("12.3mA") << QStringList{"--port", "PTY", "on", ";", "set", "B", "12.3mA"}
                                << "command 2 (set B 12.3mA): 12.3 mA is not one of the 64 steps";
        QTest::newRow("LED D1") << QStringList{"--port", "PTY", "leds", "A1,D1", ";", "on"}
                                << "command 1 (leds A1,D1): 'D1' is not an LED";
        QTest::newRow("missing argument") << QStringList{"--port", "PTY", "on", ";", "read"}
                                          << "command 2 (read): 'read' takes one argument";
        QTest::newRow("';' inside a word") << QStringList{"--port", "PTY", "on;off"}
                                           << "command 1 (on;off): ';' separates commands only";
        QTest::newRow("--simulate with --port") << QStringList{"--simulate", "--port", "PTY", "on"}
                                                << "--simulate and --port cannot be used together";
    }
    void mistakesAreRefusedBeforeAnyByte()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        CPtyBoard pty;
        const Finished run = RunProgram(arguments, pty);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith("ldx7320-cli: " + error), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QTest::qWait(20);
        QCOMPARE(pty.Received(), QByteArray());
    }

    void aRunOfOnlyPortsProbesNothing()
    {
        CPtyBoard pty;
        const Finished run = RunProgram({"--port", "PTY", "ports"}, pty);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.out.isEmpty());
        QTest::qWait(20);
        QCOMPARE(pty.Received(), QByteArray());
    }

    // One process, one open port, a hundred current writes, each answered before the
    // next line is written; a refused line among them is answered and the sweep goes on.
    void aSweepThroughStandardInput()
    {
        CPtyBoard pty;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", pty.DevicePath(), "--json", "-"});
        QByteArray expected = Bytes({0xBB});
        for (int step = 0; step < 100; ++step) {
            const int code = step == 50 ? 64 : step % 64;
            program.write(QStringLiteral("set A %1\n").arg(code).toLatin1());
            while (!program.canReadLine() && program.waitForReadyRead(5000)) {}
            const QJsonObject answer = QJsonDocument::fromJson(program.readLine()).object();
            QCOMPARE(answer["number"].toInt(), step + 1);
            if (code == 64) {
                QVERIFY(answer.contains("error"));
                continue;
            }
            QCOMPARE(answer["code"].toInt(), code);
            QVERIFY(answer["register_s_written_back"].toBool());
            expected += Bytes({0x80, code, 0x93, 0x83, 0x00});
        }
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 2);
        QCOMPARE(ReceivedOnce(pty, int(expected.size())), expected);
    }

    void aBoardThatStopsAnsweringEndsTheRun()
    {
        auto board = CPtyBoard::AnswerLikeTheBoard();
        int bytes = 0;
        CPtyBoard pty([&](quint8 byte) { return ++bytes > 2 ? QByteArray() : board(byte); });
        const Finished run = RunProgram({"--port", "PTY", "on", ";", "set", "A", "5", ";", "read", "A"}, pty);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts).value(1).left(29), QString("error: command 2 (set A 5): t"));
        QVERIFY2(run.err.contains("ldx7320-cli: command 2 (set A 5) failed: the board did not acknowledge"),
                 qPrintable(run.err));
        QCOMPARE(ReceivedOnce(pty, 3), Bytes({0xBB, 0xB1, 0x80}));
    }

    void noBoardIsExplainedPortByPort()
    {
        CPtyBoard silent([](quint8) { return QByteArray(); });
        const Finished run = RunProgram({"--port", "/nonexistent/ttyX", "--port", "PTY", "on"}, silent);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, "No LDX7320 board found on the ports tried:\n"
                          "  /nonexistent/ttyX: no such device\n  "
                              + silent.DevicePath() + ": opened, but nothing answered the probe\n"
                              "ldx7320-cli: \"COM Error\" or \"Power OFF\"\n");
    }

    // A signal ends the run at once, the port closed and its lock file gone.
    void aSignalClosesThePort()
    {
        CPtyBoard pty;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", pty.DevicePath(), "-"});
        program.write("on\n");
        QVERIFY(program.waitForReadyRead(5000));
        QCOMPARE(program.readLine(), QByteArray("on: output on\n"));
        const QString lockFile = LockFileOf(pty.DevicePath());
        QVERIFY2(!lockFile.isEmpty(), "QSerialPort made no lock file");
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!QFile::exists(lockFile));
        QVERIFY(program.readAllStandardError().contains("ended by a signal after line 1"));
    }
};

QTEST_GUILESS_MAIN(TestCliProgram)
#include "test_cli_program.moc"

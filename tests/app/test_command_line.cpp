// The command line: options, repeated ports, and what is refused.
#include "CommandLine.h"

#include <QtTest>

using app::CommandLine;
using app::ParseCommandLine;

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void optionsAreRead()
    {
        CommandLine line = ParseCommandLine({"ldx7320"});
        QCOMPARE(line.action, CommandLine::Action::Run);
        QVERIFY(line.ports.isEmpty() && !line.simulate && !line.trace);

        line = ParseCommandLine({"ldx7320", "--port", "/dev/ttyUSB1", "--trace", "--port=/dev/pts/4"});
        QCOMPARE(line.action, CommandLine::Action::Run);
        QCOMPARE(line.ports, (QStringList{"/dev/ttyUSB1", "/dev/pts/4"}));
        QVERIFY(line.trace);

        QCOMPARE(ParseCommandLine({"ldx7320", "--simulate"}).simulate, true);
        QCOMPARE(ParseCommandLine({"ldx7320", "--trace", "--help"}).action, CommandLine::Action::Help);
        QCOMPARE(ParseCommandLine({"ldx7320", "--version"}).action, CommandLine::Action::Version);
        QCOMPARE(ParseCommandLine({"ldx7320", "--list-ports"}).action, CommandLine::Action::ListPorts);
    }

    void mistakesGiveAUsageError_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown") << QStringList{"ldx7320", "--speed"} << "unknown option '--speed'";
        QTest::newRow("stray word") << QStringList{"ldx7320", "COM3"} << "unknown option 'COM3'";
        QTest::newRow("port without device") << QStringList{"ldx7320", "--port"} << "--port needs a device";
        QTest::newRow("empty port") << QStringList{"ldx7320", "--port="} << "--port needs a device";
        QTest::newRow("both") << QStringList{"ldx7320", "--simulate", "--port", "x"}
                              << "--simulate and --port cannot be used together";
    }
    void mistakesGiveAUsageError()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CommandLine line = ParseCommandLine(arguments);
        QCOMPARE(line.action, CommandLine::Action::Usage);
        QCOMPARE(line.error, error);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

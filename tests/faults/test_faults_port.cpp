// Ports failing under the program, on real pseudo-terminals: the board's device vanishing
// in the middle of a panel action, and devices that cannot be taken at start-up.
#include "PanelFixture.h"

#include "BoardLink.h"
#include "FakeHost.h"
#include "PtyBoard.h"
#include "SerialPortDevice.h"
#include "SystemPorts.h"

#include <QTemporaryFile>
#include <atomic>
#include <map>
#include <tuple>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace res;

namespace {

// A board behind a pseudo-terminal that pulls its own plug when the armed byte arrives,
// leaving that byte unanswered.
class CVanishingBoard {
public:
    void UnplugAtByte(int n) { m_countdown = n; }
    CPtyBoard& Pty() { return m_pty; }

private:
    QByteArray Answer(quint8 byte)
    {
        if (m_countdown == 0) {
            m_countdown = -1;
            m_pty.Unplug();
            return {};
        }
        if (m_countdown > 0)
            --m_countdown;
        return m_chip(byte);
    }

    std::atomic<int> m_countdown{-1};
    CPtyBoard::Responder m_chip = CPtyBoard::AnswerLikeTheBoard();
    CPtyBoard m_pty{[this](quint8 byte) { return Answer(byte); }};
};

// The panel as started with --port naming the pseudo-terminal.
struct PtyPanel {
    CVanishingBoard board;
    board::CSystemPortProvider ports;
    QStringList messages;
    std::unique_ptr<CPanelDlg> dialog;

    PtyPanel()
    {
        dialog = std::make_unique<CPanelDlg>(ports, QStringList{board.Pty().DevicePath()}, false);
        dialog->m_showMessage = [this](const QString& text, const QString&) { messages << text; };
    }
    bool Start()
    {
        if (!dialog->StartUp())
            return false;
        dialog->show();
        return QTest::qWaitForWindowExposed(dialog.get());
    }
    void Click(int id) { QTest::mouseClick(dialog->GetDlgItem(id), Qt::LeftButton); }
};

enum class PtyAction { Step, WriteS, Read, Enable };

QString Reason(const QString& port, const QString& why)
{
    return QStringLiteral("  %1: %2").arg(port, why);
}

}  // namespace

class TestFaultsPort : public QObject {
    Q_OBJECT

private slots:
    // at: the byte of the action at which the device vanishes; -1: between two clicks.
    void deviceVanishesDuringAnAction_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("at");
        const std::vector<std::tuple<PtyAction, const char*, int>> actions{
            {PtyAction::Step, "step", 5}, {PtyAction::WriteS, "writeS", 2},
            {PtyAction::Read, "read", 1}, {PtyAction::Enable, "enable", 1}};
        for (const auto& [action, name, bytes] : actions) {
            QTest::addRow("%s/betweenClicks", name) << int(action) << -1;
            for (int at = 0; at < bytes; ++at)
                QTest::addRow("%s/atByte%d", name, at) << int(action) << at;
        }
    }

    void deviceVanishesDuringAnAction()
    {
        QFETCH(int, action);
        QFETCH(int, at);
        PtyPanel panel;
        QVERIFY(panel.Start());
        // A write's missing acknowledgement is reported; a step whose read of REGISTER_S
        // finds the device gone writes nothing back, and so has nothing to report.
        const bool writes = (PtyAction(action) == PtyAction::Step && at != 2) || PtyAction(action) == PtyAction::WriteS;
        if (PtyAction(action) != PtyAction::Enable) {
            panel.Click(IDC_ENABLE);
            panel.Click(IDC_LED_A1);
            panel.Click(IDC_WRITE_S);
        }
        QVERIFY(!panel.dialog->EndRequested());
        if (at < 0)
            panel.board.Pty().Unplug();
        else
            panel.board.UnplugAtByte(at);

        static const std::map<PtyAction, int> control{{PtyAction::Step, IDC_UP_A}, {PtyAction::WriteS, IDC_WRITE_S},
                                                      {PtyAction::Read, IDC_READ_A}, {PtyAction::Enable, IDC_ENABLE}};
        panel.Click(control.at(PtyAction(action)));
        // The byte may still leave after the other end has gone (a close completes only once
        // the board's thread lets go of the device), and the device then fails while the
        // answer is awaited. Either way the board is gone and the panel must end.
        QVERIFY(panel.dialog->EndRequested());
        QVERIFY(!panel.dialog->isVisible());
        QCOMPARE(panel.messages.size(), writes ? 1 : 0);
        QCOMPARE(panel.dialog->QuitRequested(), writes);
        QCOMPARE(panel.dialog->m_link.IsPortOpen(), !writes);
    }

    // Each bad port first stands before the board's port, which is then found; alone it
    // is what the search reports.
    void startUpPortFaults_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"inUse", "regularFile", "missing", "permissionDenied", "silent", "wrongAnswer"})
            QTest::newRow(kind) << QString(kind);
    }

    void startUpPortFaults()
    {
        QFETCH(QString, kind);
        CPtyBoard good;
        CPtyBoard::Responder answer = CPtyBoard::AnswerLikeTheBoard();
        if (kind == "silent")
            answer = [](quint8) { return QByteArray(); };
        else if (kind == "wrongAnswer")
            answer = [](quint8) { return QByteArray("k"); };
        CPtyBoard other(answer);
        QTemporaryFile file;
        board::CSerialPortDevice holder(other.DevicePath());
        QString port = other.DevicePath();
        QString why;
        if (kind == "inUse") {
            QVERIFY2(holder.Open({}, {}, &why), qPrintable(why));
            why = "in use by another program";
        } else if (kind == "regularFile") {
            QVERIFY(file.open());
            port = file.fileName();
            why = "not a serial port";
        } else if (kind == "missing") {
            port = "/nonexistent/ldx7320-port";
            why = "no such device";
        } else if (kind == "permissionDenied") {
            if (::geteuid() == 0)
                QSKIP("root may open every device");
            QCOMPARE(::chmod(QFile::encodeName(port).constData(), 0), 0);
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(port).constData(), &info), 0);
            const struct group* owner = ::getgrgid(info.st_gid);
            why = QString("permission denied; the device belongs to group '%1'")
                      .arg(owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid));
        } else if (kind == "silent") {
            why = "opened, but nothing answered the probe";
        } else {
            why = "opened, but answered 0x6B instead of 0x4B";
        }

        board::CSystemPortProvider ports;
        {
            CFakeHost host;
            board::CBoardLink link(ports, host);
            link.FindBoardPort({port, good.DevicePath()});
            QVERIFY(link.IsPortOpen());
            QCOMPARE(link.OpenPortName(), good.DevicePath());
            QVERIFY(host.messages.isEmpty() && host.diagnostics.isEmpty());
            QCOMPARE(host.cancels + host.quits, 0);
        }
        CFakeHost host;
        board::CBoardLink link(ports, host);
        link.FindBoardPort({port});
        QVERIFY(!link.IsPortOpen());
        QCOMPARE(host.messages, QStringList{QString::fromLatin1(board::kComErrorMessage)});
        QCOMPARE(host.quits, 1);
        QCOMPARE(host.diagnostics.size(), 2);
        QCOMPARE(host.diagnostics.front(), QString("No LDX7320 board found on the ports tried:"));
        QVERIFY2(host.diagnostics.back().startsWith(Reason(port, why)), qPrintable(host.diagnostics.back()));

        if (kind == "inUse") {
            // The search neither reached the held device nor took it from its holder.
            QVERIFY(holder.Send(board::CMD_OUTPUT_OFF, 500) == board::TransferOutcome::Completed);
            QVERIFY(QTest::qWaitFor([&] { return !other.Received().isEmpty(); }, 2000));
            QCOMPARE(other.Received(), Bytes({board::CMD_OUTPUT_OFF}));
        }
    }

    // The panel itself, started on a list of bad ports: one message, and it never shows.
    void panelStartsOnlyWhereABoardAnswers()
    {
        CPtyBoard good;
        QTemporaryFile file;
        QVERIFY(file.open());
        board::CSystemPortProvider ports;
        for (bool withBoard : {true, false}) {
            QStringList candidates{"/nonexistent/ldx7320-port", file.fileName()};
            if (withBoard)
                candidates << good.DevicePath();
            CPanelDlg dialog(ports, candidates, false);
            QStringList messages;
            dialog.m_showMessage = [&messages](const QString& text, const QString&) { messages << text; };
            QCOMPARE(dialog.StartUp(), withBoard);
            QCOMPARE(messages.size(), withBoard ? 0 : 1);
            QCOMPARE(dialog.QuitRequested(), !withBoard);
            QCOMPARE(dialog.m_link.IsPortOpen(), withBoard);
        }
    }
};

QTEST_MAIN(TestFaultsPort)
#include "test_faults_port.moc"

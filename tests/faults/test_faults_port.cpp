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
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A board behind a pseudo-terminal that pulls its own plug when the armed byte arrives,
// leaving that byte unanswered; and the panel started on it.
struct VanishingBoardPanel {
    std::atomic<int> countdown{-1};
    CPtyBoard::Responder chip = CPtyBoard::AnswerLikeTheBoard();
    CPtyBoard pty{[this](quint8 byte) {
        if (countdown < 0 || countdown-- > 0)
            return chip(byte);
        pty.Unplug();
        return QByteArray();
    }};
    board::CSystemPortProvider ports;
    CPanelDlg dialog{ports, {pty.DevicePath()}, false};
    QStringList messages;

    VanishingBoardPanel()
    {
        dialog.m_showMessage = [this](const QString& text, const QString&) { messages << text; };
    }
    void Click(int id) { QTest::mouseClick(dialog.GetDlgItem(id), Qt::LeftButton); }
};

}  // namespace

class TestFaultsPort : public QObject {
    Q_OBJECT

private slots:
    // at: the byte of the action at which the device vanishes; -1: between two clicks.
    // A write's missing acknowledgement is reported; a step whose read of REGISTER_S finds
    // the device gone writes nothing back, and so has nothing to report.
    void deviceVanishesDuringAnAction_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<int>("at");
        QTest::addColumn<bool>("reported");
        for (const auto& [control, name, bytes] : {std::tuple{IDC_UP_A, "step", 5}, {IDC_WRITE_S, "writeS", 2},
                                                   {IDC_READ_A, "read", 1}, {IDC_ENABLE, "enable", 1}}) {
            for (int at = -1; at < bytes; ++at)
                QTest::addRow("%s at byte %d", name, at) << control << at
                                                         << (control == IDC_WRITE_S || (control == IDC_UP_A && at != 2));
        }
    }
    void deviceVanishesDuringAnAction()
    {
        QFETCH(int, control);
        QFETCH(int, at);
        QFETCH(bool, reported);
        VanishingBoardPanel panel;
        QVERIFY(panel.dialog.StartUp());
        panel.dialog.show();
        if (control != IDC_ENABLE) {
            panel.Click(IDC_ENABLE);
            panel.Click(IDC_LED_A1);
            panel.Click(IDC_WRITE_S);
        }
        QVERIFY(!panel.dialog.EndRequested());
        if (at < 0)
            panel.pty.Unplug();
        panel.countdown = at;
        panel.Click(control);
        // Whether the byte still left or the device failed while the answer was awaited,
        // the board is gone and the panel ends.
        QVERIFY(panel.dialog.EndRequested() && !panel.dialog.isVisible());
        QCOMPARE(panel.messages.size(), reported ? 1 : 0);
        QCOMPARE(panel.dialog.QuitRequested(), reported);
        QCOMPARE(panel.dialog.m_link.IsPortOpen(), !reported);
    }

    // Each bad port alone is what the search reports; standing before the board's port,
    // it is passed by and the board is found.
    void startUpPortFaults_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"in use by another program", "not a serial port", "no such device", "permission denied",
                                 "opened, but nothing answered the probe", "opened, but answered 0x6B instead of 0x4B"})
            QTest::newRow(kind) << QString(kind);
    }
    void startUpPortFaults()
    {
        QFETCH(QString, kind);
        CPtyBoard good;
        CPtyBoard other([&kind](quint8) { return QByteArray(kind.contains("nothing") ? "" : kind.contains("0x6B") ? "k" : "K"); });
        QTemporaryFile file;
        board::CSerialPortDevice holder(other.DevicePath());
        QString port = other.DevicePath(), why = kind;
        if (kind.startsWith("in use")) {
            QVERIFY(holder.Open({}, {}, &why));
            why = kind;
        } else if (kind.startsWith("not a")) {
            QVERIFY(file.open());
            port = file.fileName();
        } else if (kind.startsWith("no such")) {
            port = "/nonexistent/ldx7320-port";
        } else if (kind.startsWith("permission")) {
            if (::geteuid() == 0)
                QSKIP("root may open every device");
            QCOMPARE(::chmod(QFile::encodeName(port).constData(), 0), 0);
            struct stat info {};
            ::stat(QFile::encodeName(port).constData(), &info);
            why = QString("permission denied; the device belongs to group '%1'").arg(::getgrgid(info.st_gid)->gr_name);
        }
        board::CSystemPortProvider ports;
        CFakeHost host;
        board::CBoardLink link(ports, host);
        link.FindBoardPort({port, good.DevicePath()});
        QCOMPARE(link.OpenPortName(), good.DevicePath());
        QVERIFY(host.messages.isEmpty() && host.diagnostics.isEmpty());
        link.FindBoardPort({port});
        QVERIFY(!link.IsPortOpen());
        QCOMPARE(host.messages.size(), 1);
        QVERIFY2(host.diagnostics.back().startsWith(QString("  %1: %2").arg(port, why)), qPrintable(host.diagnostics.back()));
        if (kind.startsWith("in use")) {
            // The search neither reached the held device nor took it from its holder.
            QCOMPARE(holder.Send(board::CMD_OUTPUT_OFF, 500), board::TransferOutcome::Completed);
            QVERIFY(QTest::qWaitFor([&] { return !other.Received().isEmpty(); }, 2000));
            QCOMPARE(other.Received(), Bytes({board::CMD_OUTPUT_OFF}));
        }
    }
};

QTEST_MAIN(TestFaultsPort)
#include "test_faults_port.moc"

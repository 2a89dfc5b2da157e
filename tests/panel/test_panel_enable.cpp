// ENABLE/DISABLE, the LED boxes and REGISTER_S, driven by clicks.
#include "PanelFixture.h"

#include "BitsCodec.h"

using namespace res;

namespace {

struct ChannelIds {
    std::vector<int> controls;  // Write, Read, bits field, step down, step up, trackbar
    int label;
};
const ChannelIds kA{{IDC_WRITE_A, IDC_READ_A, IDC_BITS_A, IDC_DOWN_A, IDC_UP_A, IDC_SLIDER1}, IDC_CURRENT_A};
const ChannelIds kB{{IDC_WRITE_B, IDC_READ_B, IDC_BITS_B, IDC_DOWN_B, IDC_UP_B, IDC_SLIDER2}, IDC_CURRENT_B};
const ChannelIds kC{{IDC_WRITE_C, IDC_READ_C, IDC_BITS_C, IDC_DOWN_C, IDC_UP_C, IDC_SLIDER3}, IDC_CURRENT_C};

void VerifyChannel(const CPanelFixture& panel, const ChannelIds& channel, bool on)
{
    for (int id : channel.controls)
        QVERIFY2(panel.Item(id)->isEnabled() == on, qPrintable(panel.Item(id)->objectName()));
    QCOMPARE(panel.Label(channel.label)->isVisible(), on);
}

}  // namespace

class TestPanelEnable : public QObject {
    Q_OBJECT

private slots:
    void enableSendsOutputOnAndUnlocksOnlyTheBoxes()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_ON}));
        QCOMPARE(panel.Text(IDC_ENABLE), QString("DISABLE"));
        for (int id : {IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2, IDC_WRITE_S, IDC_READ_S})
            QVERIFY(panel.Item(id)->isEnabled());
        for (const ChannelIds* channel : {&kA, &kB, &kC})
            VerifyChannel(panel, *channel, false);
        // Ticking boxes sends nothing and unlocks no channel.
        panel.Click(IDC_LED_A1);
        panel.Click(IDC_LED_C2);
        QCOMPARE(panel.dialog->m_nLedState, 0x21);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_ON}));
        VerifyChannel(panel, kA, false);
        // A silent board does not stop the switch: one byte a press.
        panel.board->faults.silentFrom = panel.board->ReceivedCount();
        panel.Click(IDC_ENABLE);
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_ON, board::CMD_OUTPUT_OFF, board::CMD_OUTPUT_ON}));
        QVERIFY(panel.messages.isEmpty());
    }

    void writeUnlocksTheChannelsWhoseLedsAreOn()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.Click(IDC_ENABLE);
        panel.ClearWire();
        panel.Click(IDC_LED_B2);
        panel.Click(IDC_WRITE_S);
        QCOMPARE(panel.Wire(), Bytes({0x83, 0x08}));
        QCOMPARE(panel.board->registers[board::REGISTER_S], quint8(0x08));
        VerifyChannel(panel, kA, false);
        VerifyChannel(panel, kB, true);
        VerifyChannel(panel, kC, false);
        QCOMPARE(panel.Label(IDC_CURRENT_B)->text(), QString("LED current : 0.5 mA"));
        // Unticking keeps the channel until the next Write, which writes 0 and locks all.
        panel.Click(IDC_LED_B2);
        VerifyChannel(panel, kB, true);
        panel.ClearWire();
        panel.Click(IDC_WRITE_S);
        QCOMPARE(panel.Wire(), Bytes({0x83, 0x00}));
        for (const ChannelIds* channel : {&kA, &kB, &kC})
            VerifyChannel(panel, *channel, false);
    }

    void readLoadsTheBoxesAndNothingElse()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.SwitchOn({IDC_LED_A1});
        for (quint8 answer : {quint8(0x2D), quint8(0xED)}) {
            panel.board->registers[board::REGISTER_S] = answer;
            panel.ClearWire();
            // A byte the board sent unasked is not taken for the register's value.
            panel.board->SendUnasked(Bytes({0x3F}));
            panel.Click(IDC_READ_S);
            QCOMPARE(panel.Wire(), Bytes({0x93}));
            QCOMPARE(panel.dialog->m_nLedState, 0x2D);
            const std::map<int, bool> ticked{{IDC_LED_A1, true}, {IDC_LED_A2, false}, {IDC_LED_B1, true},
                                             {IDC_LED_B2, true}, {IDC_LED_C1, false}, {IDC_LED_C2, true}};
            for (const auto& [id, on] : ticked)
                QCOMPARE(panel.Box(id)->isChecked(), on);
            VerifyChannel(panel, kA, true);
            VerifyChannel(panel, kB, false);
            VerifyChannel(panel, kC, false);
        }
        // Write afterwards writes back what was read.
        panel.ClearWire();
        panel.Click(IDC_WRITE_S);
        QCOMPARE(panel.Wire(), Bytes({0x83, 0x2D}));
        VerifyChannel(panel, kC, true);
        // A silent board reads as 0.
        panel.board->faults.silentFrom = panel.board->ReceivedCount();
        panel.Click(IDC_READ_S);
        QCOMPARE(panel.dialog->m_nLedState, 0);
        QVERIFY(!panel.Box(IDC_LED_A1)->isChecked());
        QVERIFY(panel.messages.isEmpty());
    }

    void disableResetsWhatThePanelShowsButWritesNothing()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        panel.Click(IDC_UP_A);
        panel.Click(IDC_UP_C);
        panel.Click(IDC_UP_C);
        QCOMPARE(panel.Trackbar(IDC_SLIDER3)->value(), 2);
        panel.ClearWire();
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_OFF}));
        for (const ChannelIds* channel : {&kA, &kB, &kC})
            VerifyChannel(panel, *channel, false);
        for (int id : {IDC_SLIDER1, IDC_SLIDER2, IDC_SLIDER3})
            QCOMPARE(panel.Trackbar(id)->value(), 0);
        for (int id : {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C})
            QCOMPARE(panel.Field(id)->text(), QString::fromLatin1(codec::kBitsTemplate));
        for (int id : {IDC_LED_A1, IDC_LED_B1, IDC_LED_C1})
            QVERIFY(!panel.Box(id)->isChecked() && !panel.Box(id)->isEnabled());
        QCOMPARE(panel.dialog->m_nLedState, 0);
        QCOMPARE(panel.board->registers[board::REGISTER_C], quint8(2));  // the chip keeps its current
        panel.Click(IDC_ENABLE);
        for (int id : {IDC_CURRENT_A, IDC_CURRENT_B, IDC_CURRENT_C}) {
            QVERIFY(panel.Label(id)->isHidden());
            QCOMPARE(panel.Label(id)->text(), QString("LED current : 0.5 mA"));
        }
    }

    void keyboardAloneDrivesTheSwitches()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.Item(IDC_ENABLE)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(panel.Text(IDC_ENABLE), QString("DISABLE"));
        // Tab from ENABLE leads to the first enabled tab stop after it: REGISTER_S Write.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), panel.Item(IDC_WRITE_S));
        panel.Box(IDC_LED_B1)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(panel.Box(IDC_LED_B1)->isChecked());
        QCOMPARE(panel.dialog->m_nLedState, 0x04);
    }
};

QTEST_MAIN(TestPanelEnable)
#include "test_panel_enable.moc"

// The panel as a whole: start-up and the disabled state, the layout built from the
// template, the title, the About box, the ways it ends, ENABLE and the LED switches with
// REGISTER_S, and what it draws beyond its standard controls.
#include "PanelFixture.h"

#include "BitmapButton.h"
#include "DialogTemplates.h"
#include "PanelApp.h"
#include "Painting.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace {

const QList<int> kLeds{IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2};
const QList<int> kRegisterS{IDC_WRITE_S, IDC_READ_S};
const QList<int> kChannelA{IDC_WRITE_A, IDC_READ_A, IDC_BITS_A, IDC_DOWN_A, IDC_UP_A, IDC_SLIDER1};
const QList<int> kChannelB{IDC_WRITE_B, IDC_READ_B, IDC_BITS_B, IDC_DOWN_B, IDC_UP_B, IDC_SLIDER2};
const QList<int> kChannelC{IDC_WRITE_C, IDC_READ_C, IDC_BITS_C, IDC_DOWN_C, IDC_UP_C, IDC_SLIDER3};

// The controls a person can use besides EXIT and ENABLE, in the order above.
QList<int> Usable(const CPanelFixture& panel)
{
    QList<int> usable;
    for (int id : kLeds + kRegisterS + kChannelA + kChannelB + kChannelC) {
        if (panel.Item(id)->isEnabled())
            usable << id;
    }
    return usable;
}

QList<int> ShownCurrentLabels(const CPanelFixture& panel)
{
    QList<int> shown;
    for (int id : {IDC_CURRENT_A, IDC_CURRENT_B, IDC_CURRENT_C}) {
        if (panel.Label(id)->isVisible())
            shown << id;
    }
    return shown;
}

// Dialog units in pixels, as Windows reckons them from the dialog's font.
QRect DialogUnits(const QFont& font, int left, int top, int width, int height)
{
    const QFontMetrics metrics(font);
    const double x = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    const double y = metrics.height();
    return QRect(qRound(left * x / 4), qRound(top * y / 8), qRound(width * x / 4), qRound(height * y / 8));
}

}  // namespace

class TestPanel : public QObject {
    Q_OBJECT

private slots:
    // The trackbars at 0 of 0..63, a tick every 4 positions on both sides, a page of 12.
    void startsDisabledAfterTheProbeAndOutputOff()
    {
        CPanelFixture panel;
        QVERIFY(panel.dialog->StartUp());
        panel.dialog->show();
        QCOMPARE(panel.Wire(), Bytes({board::CMD_PROBE, board::CMD_OUTPUT_OFF}));
        QCOMPARE(panel.Text(IDC_ENABLE), "ENABLE");
        QCOMPARE(Usable(panel), QList<int>());
        QCOMPARE(panel.TickedLeds(), 0);
        QCOMPARE(ShownCurrentLabels(panel), QList<int>());
        QCOMPARE(panel.dialog->focusWidget(), panel.Item(IDOK));
        QCOMPARE(panel.dialog->windowIcon().availableSizes(), QList<QSize>({{32, 32}, {16, 16}}));
        // Each channel's field and trackbar, in words, so that a failure says which.
        QStringList channels;
        for (const auto& [field, id] : {std::pair{IDC_BITS_A, IDC_SLIDER1}, {IDC_BITS_B, IDC_SLIDER2}, {IDC_BITS_C, IDC_SLIDER3}}) {
            const QSlider* trackbar = panel.Trackbar(id);
            channels << QString("'%1', at %2 of 0..%3, a tick every %4%5, page %6")
                            .arg(panel.Field(field)->text())
                            .arg(trackbar->value())
                            .arg(trackbar->maximum())
                            .arg(trackbar->tickInterval())
                            .arg(trackbar->tickPosition() == QSlider::TicksBothSides ? " on both sides" : " on one side")
                            .arg(trackbar->pageStep());
        }
        QCOMPARE(channels, QStringList(3, QString("'%1', at 0 of 0..63, a tick every 4 on both sides, page 12").arg(kTemplateText)));
    }

    // The template's dialog units, in the template's font, to the pixel.
    void theLayoutIsTheTemplates()
    {
        CPanelFixture panel;
        panel.dialog->show();
        const QFont font = panel.dialog->font();
        QCOMPARE(font.pointSize(), 9);
        QVERIFY2(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(font).family()), qPrintable(QFontInfo(font).family()));
        QCOMPARE(QRect(QPoint(), panel.dialog->size()), DialogUnits(font, 0, 0, 401, 229));
        QCOMPARE(panel.dialog->minimumSize(), panel.dialog->maximumSize());
        QCOMPARE(panel.Item(IDC_SLIDER3)->geometry(), DialogUnits(font, 224, 195, 149, 15));
        QCOMPARE(panel.Item(IDC_GROUP_B)->geometry(), DialogUnits(font, 6, 124, 388, 49));
        QCOMPARE(panel.Text(IDOK), " EXIT");
        QVERIFY(qobject_cast<QPushButton*>(panel.Item(IDOK))->isDefault());
        // A group box lies beneath the controls it frames.
        QCOMPARE(panel.dialog->childAt(panel.Item(IDC_SLIDER1)->geometry().center()), panel.Item(IDC_SLIDER1));
    }

    // The template's 28 tab stops, from " EXIT" round to REGISTER_S's Read.
    void theTabOrderIsTheTemplates()
    {
        CPanelFixture panel;
        QStringList tabStops, chain;
        for (const ControlTemplate& control : MainDialogTemplate().controls) {
            if (control.tabStop)
                tabStops << control.name;
        }
        for (QWidget* widget = panel.Item(IDOK); chain.size() < tabStops.size(); widget = widget->nextInFocusChain()) {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
        }
        QCOMPARE(chain, tabStops);
    }

    void theTitleSaysWhenTheBoardIsSimulated()
    {
        QCOMPARE(CPanelFixture({"COM4"}, "COM4", true).dialog->windowTitle(), "LDX7320 (simulated board)");
        QCOMPARE(CPanelFixture({"COM4"}, "COM4", false).dialog->windowTitle(), "LDX7320");
    }

    // The panel keeps its light look on a dark desktop: channel C's blue on light grey.
    void theLookIsLightWhateverTheDesktops()
    {
        const QPalette desktop = QApplication::palette();
        QPalette dark = desktop;
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::WindowText, Qt::white);
        QApplication::setPalette(dark);
        app::UseLightPalette();
        const auto restore = qScopeGuard([&desktop] { QApplication::setPalette(desktop); });
        CPanelFixture panel;
        QCOMPARE(panel.dialog->palette().color(QPalette::Window), QColor(0xF0, 0xF0, 0xF0));
        QCOMPARE(panel.Field(IDC_BITS_A)->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(panel.Field(IDC_BITS_A)->palette().color(QPalette::Highlight), QColor(0x00, 0x78, 0xD7));
        QCOMPARE(panel.Field(IDC_BITS_A)->palette().color(QPalette::Disabled, QPalette::Text), QColor(0x6D, 0x6D, 0x6D));
        QCOMPARE(panel.Item(IDC_CAPTION_C)->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 255));
    }

    // The real message box: the one text, a warning icon, and behind "Show Details..." why
    // each port was not taken and what to try. The panel is never shown.
    void noBoardIsSaidOnceAndThePanelNeverShown()
    {
        CPanelFixture panel({"COM4", "COM3"}, QString());
        panel.ports.Attach<CFaultyBoard>("COM3")->faults.silentFrom = 0;
        panel.dialog->SetMessageShower(nullptr);
        CBoxAnswerer answer;
        QCOMPARE(panel.dialog->DoModal(), int(QDialog::Rejected));
        QCOMPARE(answer.seen.mid(0, 4), QStringList({"LDX7320", "pixmap 32", "\"COM Error\" or \"Power OFF\"",
                                                     QString("icon %1").arg(QMessageBox::Warning)}));
        const QStringList details = answer.seen.value(4).split('\n');
        QCOMPARE(details.mid(0, 3), QStringList({"No LDX7320 board found on the ports tried:", "  COM4: no such device",
                                                 "  COM3: opened, but nothing answered the probe"}));
        QCOMPARE(details.value(5), "  the serial ports this computer lists: COM3");
        QCOMPARE(details.value(details.size() - 1), "  start with --simulate to try it on the simulated board");
        QVERIFY(panel.dialog->QuitRequested());
        QVERIFY(!panel.dialog->isVisible());
        QCOMPARE(panel.ports.Board("COM3")->Received(), Bytes({board::CMD_PROBE}));
    }

    // The board found, but CMD_OUTPUT_OFF cannot be sent: the panel ends without a word.
    void aByteThatCannotBeSentAtStartUpEndsThePanelSilently()
    {
        CPanelFixture panel;
        panel.board->faults.unpluggedFrom = 1;
        QCOMPARE(panel.dialog->DoModal(), int(QDialog::Rejected));
        QVERIFY(panel.messages.isEmpty());
        QVERIFY(!panel.dialog->QuitRequested());
        QVERIFY(!panel.dialog->isVisible());
    }

    // Ended from outside (a signal to the program; idle, the program's tests end it) while
    // a box waits: the box is closed first, so that the handler that opened it ends. Nothing
    // is sent.
    void endedFromOutsideWhileABoxWaits()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        QTimer::singleShot(0, [&panel] { panel.dialog->RequestEnd(); });
        QTest::keyClick(panel.dialog.get(), Qt::Key_F1);  // returns when the About box is closed
        QVERIFY(!panel.dialog->isVisible());
        QVERIFY(panel.Wire().isEmpty());
    }

    // EXIT, Enter wherever the focus does not take it, Escape and the close box end the
    // panel; nothing more reaches the board.
    void waysToEndThePanel_data()
    {
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("key");  // 0: the close box
        QTest::addColumn<int>("result");
        QTest::newRow("Space on EXIT accepts") << IDOK << int(Qt::Key_Space) << int(QDialog::Accepted);
        QTest::newRow("Enter in a bits field accepts") << IDC_BITS_A << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter on an LED box accepts") << IDC_LED_B1 << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter on a trackbar accepts") << IDC_SLIDER2 << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Escape rejects") << IDC_ENABLE << int(Qt::Key_Escape) << int(QDialog::Rejected);
        QTest::newRow("the close box rejects") << 0 << 0 << int(QDialog::Rejected);
    }
    void waysToEndThePanel()
    {
        QFETCH(int, focus);
        QFETCH(int, key);
        QFETCH(int, result);
        CPanelFixture panel;
        QVERIFY(panel.SwitchOn({IDC_LED_A1, IDC_LED_B1}));
        panel.dialog->setResult(-1);
        if (focus == 0) {
            panel.dialog->close();
        } else {
            panel.Item(focus)->setFocus();
            QTest::keyClick(panel.Item(focus), Qt::Key(key));
        }
        QCOMPARE(panel.dialog->result(), result);
        QVERIFY(!panel.dialog->isVisible());
        QVERIFY(panel.Wire().isEmpty());
    }

    // F1 and the right-click menu's item open the About box, whose OK closes it.
    void theAboutBox()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        CBoxAnswerer answer;
        QTest::keyClick(panel.dialog.get(), Qt::Key_F1);
        QCOMPARE(answer.seen, QStringList({"About LDX7320", "pixmap 32", "LDX7320 Version 1.0", "Copyright (C) 2026"}));
        answer.seen.clear();
        // The menu's first item is taken whatever it is, so that the menu closes; what it was
        // is checked once the menu is gone.
        QString firstItem;
        QTimer::singleShot(0, [&panel, &firstItem] {
            auto* menu = panel.dialog->findChild<QMenu*>();
            QAction* first = menu ? menu->actions().value(0) : nullptr;
            if (!first)
                return menu ? void(menu->close()) : void();
            firstItem = first->text();
            menu->setActiveAction(first);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), panel.dialog->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(panel.dialog.get(), &click);
        QCOMPARE(firstItem, "&About LDX7320...");
        QCOMPARE(answer.seen.value(0), "About LDX7320");
        QVERIFY(!answer.seen.contains("still open"));
        QVERIFY(panel.dialog->isVisible());
        QVERIFY(panel.Wire().isEmpty());
    }

    void enableSendsOutputOnAndUnlocksTheLedBoxes()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_ON}));
        QCOMPARE(panel.Text(IDC_ENABLE), "DISABLE");
        QCOMPARE(Usable(panel), kLeds + kRegisterS);
        QCOMPARE(ShownCurrentLabels(panel), QList<int>());
    }

    // Ticking sends nothing and unlocks nothing; Write sends the bits and unlocks exactly
    // the channels whose LEDs are on. Unticked, a channel stays usable until the next Write
    // locks it.
    void eachLedBoxIsOneBitOfRegisterS_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("bit");
        QTest::addColumn<QList<int>>("unlocked");
        QTest::addColumn<int>("label");
        QTest::newRow("LED_A1 is bit 0, channel A") << IDC_LED_A1 << 0x01 << kChannelA << IDC_CURRENT_A;
        QTest::newRow("LED_A2 is bit 1, channel A") << IDC_LED_A2 << 0x02 << kChannelA << IDC_CURRENT_A;
        QTest::newRow("LED_B1 is bit 2, channel B") << IDC_LED_B1 << 0x04 << kChannelB << IDC_CURRENT_B;
        QTest::newRow("LED_B2 is bit 3, channel B") << IDC_LED_B2 << 0x08 << kChannelB << IDC_CURRENT_B;
        QTest::newRow("LED_C1 is bit 4, channel C") << IDC_LED_C1 << 0x10 << kChannelC << IDC_CURRENT_C;
        QTest::newRow("LED_C2 is bit 5, channel C") << IDC_LED_C2 << 0x20 << kChannelC << IDC_CURRENT_C;
    }
    void eachLedBoxIsOneBitOfRegisterS()
    {
        QFETCH(int, box);
        QFETCH(int, bit);
        QFETCH(QList<int>, unlocked);
        QFETCH(int, label);
        CPanelFixture panel;
        QVERIFY(panel.SwitchOn({}));
        panel.Click(box);
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(Usable(panel), kLeds + kRegisterS);
        panel.Click(IDC_WRITE_S);
        QCOMPARE(panel.Wire(), Bytes({0x83, bit}));
        QCOMPARE(Usable(panel), kLeds + kRegisterS + unlocked);
        QCOMPARE(ShownCurrentLabels(panel), QList<int>{label});
        panel.Click(box);
        QCOMPARE(Usable(panel), kLeds + kRegisterS + unlocked);
        panel.Click(IDC_WRITE_S);
        QCOMPARE(panel.Wire(), Bytes({0x83, bit, 0x83, 0x00}));
        QCOMPARE(Usable(panel), kLeds + kRegisterS);
        QCOMPARE(ShownCurrentLabels(panel), QList<int>());
    }

    // DISABLE resets what the panel shows and sends nothing but the output switch: the chip
    // keeps its current. ENABLE again shows no label.
    void disableResetsWhatThePanelShows()
    {
        CPanelFixture panel;
        QVERIFY(panel.SwitchOn({IDC_LED_C1}));
        panel.Click(IDC_UP_C);
        panel.ClearWire();
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_OFF}));
        QCOMPARE(panel.Text(IDC_ENABLE), "ENABLE");
        QCOMPARE(Usable(panel), QList<int>());
        QCOMPARE(panel.TickedLeds(), 0);
        QCOMPARE(panel.Trackbar(IDC_SLIDER3)->value(), 0);
        QCOMPARE(panel.Field(IDC_BITS_C)->text(), kTemplateText);
        QCOMPARE(panel.board->registers[board::REGISTER_C], quint8(1));
        panel.Click(IDC_ENABLE);
        QCOMPARE(ShownCurrentLabels(panel), QList<int>());
        QCOMPARE(panel.Label(IDC_CURRENT_C)->text(), "LED current : 0.5 mA");
    }

    // Read loads the low six bits into the boxes, ignoring a byte the board sent unasked,
    // and changes nothing else; a board that does not answer reads as 0.
    void readSLoadsTheLowSixBitsIntoTheBoxes()
    {
        CPanelFixture panel;
        QVERIFY(panel.SwitchOn({}));
        panel.board->registers[board::REGISTER_S] = 0xD5;
        panel.board->SendUnasked(Bytes({0x3F}));
        panel.Click(IDC_READ_S);
        QCOMPARE(panel.Wire(), Bytes({0x93}));
        QCOMPARE(panel.TickedLeds(), 0x15);
        QCOMPARE(Usable(panel), kLeds + kRegisterS);
        panel.board->faults.silentFrom = panel.board->ReceivedCount();
        panel.Click(IDC_READ_S);
        QCOMPARE(panel.TickedLeds(), 0);
    }

    // Each channel's group box, caption and LED boxes; nothing else.
    void theChannelColours_data()
    {
        QTest::addColumn<QList<int>>("controls");
        QTest::addColumn<QColor>("colour");  // none: the dialog's own
        QTest::newRow("A in red") << QList<int>{IDC_GROUP_A, IDC_CAPTION_A, IDC_LED_A1, IDC_LED_A2} << QColor(214, 52, 29);
        QTest::newRow("B in green") << QList<int>{IDC_GROUP_B, IDC_CAPTION_B, IDC_LED_B1, IDC_LED_B2} << QColor(0, 125, 30);
        QTest::newRow("C in blue") << QList<int>{IDC_GROUP_C, IDC_CAPTION_C, IDC_LED_C1, IDC_LED_C2} << QColor(0, 0, 255);
        QTest::newRow("REGISTER_S, a label, a bit label, EXIT as the dialog") << QList<int>{IDC_GROUP_S, IDC_CURRENT_A, IDC_BIT0_C, IDOK} << QColor();
    }
    void theChannelColours()
    {
        QFETCH(QList<int>, controls);
        QFETCH(QColor, colour);
        CPanelFixture panel;
        const QColor expected = colour.isValid() ? colour : panel.dialog->palette().color(QPalette::Active, QPalette::WindowText);
        for (int control : controls)
            QVERIFY2(panel.Item(control)->palette().color(QPalette::Active, QPalette::WindowText) == expected, qPrintable(QString::number(control)));
    }

    // Normal, disabled or focused alike; pressed while pressed.
    void theStepButtonsDrawTheirImages()
    {
        const auto pixels = [](const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_RGB32); };
        CPanelFixture panel;
        QVERIFY(panel.SwitchOn({IDC_LED_A2}));
        for (int id : {IDC_DOWN_A, IDC_UP_A, IDC_DOWN_B, IDC_UP_B, IDC_DOWN_C, IDC_UP_C})
            QVERIFY2(pixels(panel.Item(id)->grab()) == pixels(QPixmap(":/images/" + panel.Text(id) + "U.xpm")), qPrintable(panel.Text(id)));
        QTest::mousePress(panel.Item(IDC_UP_A), Qt::LeftButton);
        QCOMPARE(pixels(panel.Item(IDC_UP_A)->grab()), pixels(QPixmap(":/images/DN1D.xpm")));
        QTest::mouseRelease(panel.Item(IDC_UP_A), Qt::LeftButton);
        controls::CBitmapButton missing(QStringLiteral("DN9"));
        missing.AutoLoad();
        QVERIFY(missing.NormalImage().isNull());
        QVERIFY(missing.PressedImage().isNull());
    }

    // The top 64 rows, white transparent, at the banner control's place.
    void theBanner()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        QVERIFY(panel::BannerImage(":/images/none.xpm").isNull());
        const QImage banner = panel::BannerImage(":/images/banner.xpm").toImage();
        QCOMPARE(banner.size(), QSize(450, 64));
        QCOMPARE(qAlpha(banner.pixel(0, 0)), 0);
        // The banner drawn once more over what the panel shows changes nothing.
        const QImage shown = panel.dialog->grab().toImage().copy(QRect(panel.Item(IDC_BANNER)->pos(), banner.size()) & panel.dialog->rect());
        QImage again = shown;
        QPainter(&again).drawImage(0, 0, banner);
        QCOMPARE(again, shown);
    }

    void theIconWhileMinimised()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.dialog->showMinimized();
        QImage minimised(panel.dialog->size(), QImage::Format_RGB32);
        panel.dialog->render(&minimised, {}, {}, QWidget::DrawWindowBackground);
        QImage icon(32, 32, QImage::Format_RGB32);
        icon.fill(minimised.pixel(0, 0));
        QPainter(&icon).drawPixmap(0, 0, QPixmap(":/images/icon32.xpm"));
        QCOMPARE(minimised.copy(QRect(panel::MinimisedIconOrigin(minimised.size(), QSize(32, 32)), QSize(32, 32))), icon);
        QCOMPARE(panel::MinimisedIconOrigin(QSize(100, 100), QSize(32, 32)), QPoint(34, 34));
        QCOMPARE(panel::MinimisedIconOrigin(QSize(0, 0), QSize(32, 32)), QPoint(-15, -15));
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"

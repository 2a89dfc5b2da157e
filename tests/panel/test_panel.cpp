// The panel as a whole: start-up and the disabled state, the layout built from the
// template, the About box, the ways it ends, ENABLE and the LED switches with REGISTER_S,
// and what it draws beyond its standard controls.
#include "PanelFixture.h"

#include "BitmapButton.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "Painting.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>

namespace {

const int kLeds[] = {IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2};

// Which groups of controls are usable: "S" for the LED boxes with REGISTER_S's Write and
// Read, then "A", "B", "C" for each channel's controls with its current label shown; "."
// for a group all off, "?" for one half on.
QString Usable(const CPanelFixture& panel)
{
    const QList<QList<int>> groups{
        {IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2, IDC_WRITE_S, IDC_READ_S},
        {IDC_WRITE_A, IDC_READ_A, IDC_BITS_A, IDC_DOWN_A, IDC_UP_A, IDC_SLIDER1, IDC_CURRENT_A},
        {IDC_WRITE_B, IDC_READ_B, IDC_BITS_B, IDC_DOWN_B, IDC_UP_B, IDC_SLIDER2, IDC_CURRENT_B},
        {IDC_WRITE_C, IDC_READ_C, IDC_BITS_C, IDC_DOWN_C, IDC_UP_C, IDC_SLIDER3, IDC_CURRENT_C}};
    QString usable;
    for (const QList<int>& group : groups) {
        int count = 0;
        for (int id : group)
            count += qobject_cast<QLabel*>(panel.Item(id)) ? panel.Item(id)->isVisible() : panel.Item(id)->isEnabled();
        usable += count == group.size() ? QString("SABC").at(usable.size()) : count == 0 ? QChar('.') : QChar('?');
    }
    return usable;
}

QImage Pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestPanel : public QObject {
    Q_OBJECT

private slots:
    void startsDisabledAfterProbeAndOutputOffAsTheTemplateLaysItOut()
    {
        CPanelFixture panel;
        QVERIFY(panel.dialog->StartUp());
        QCOMPARE(panel.Wire(), Bytes({board::CMD_PROBE, board::CMD_OUTPUT_OFF}));
        QCOMPARE(Usable(panel), QString("...."));
        QCOMPARE(panel.dialog->m_strBitsA + panel.dialog->m_strGoodBitsB + panel.dialog->m_strBitsC,
                 QByteArray(codec::kBitsTemplate).repeated(3));
        QCOMPARE(panel.dialog->m_strCurrentC, QString("LED current : 0.5 mA"));
        for (const QSlider* t : {panel.Trackbar(IDC_SLIDER1), panel.Trackbar(IDC_SLIDER2), panel.Trackbar(IDC_SLIDER3)})
            QCOMPARE(QList<int>({t->value(), t->minimum(), t->maximum(), t->tickInterval(), t->pageStep(), t->tickPosition()}),
                     QList<int>({0, 0, 63, 4, 12, QSlider::TicksBothSides}));
        QCOMPARE(panel.dialog->windowIcon().availableSizes(), (QList<QSize>{{32, 32}, {16, 16}}));
        // The layout, as the template gives it.
        panel.dialog->show();
        const QFont font = panel.dialog->font();
        QCOMPARE(font.pointSize(), 9);
        QVERIFY2(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(font).family()), qPrintable(QFontInfo(font).family()));
        // Dialog units in pixels, as Windows reckons them from the font.
        const QFontMetrics metrics(font);
        const double x = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        const double y = metrics.height();
        const auto pixels = [&](int l, int t, int w, int h) {
            return QRect(qRound(l * x / 4), qRound(t * y / 8), qRound(w * x / 4), qRound(h * y / 8));
        };
        QCOMPARE(QRect(QPoint(), panel.dialog->size()), pixels(0, 0, 401, 229));
        QCOMPARE(panel.dialog->minimumSize(), panel.dialog->maximumSize());
        QCOMPARE(panel.Item(IDC_SLIDER3)->geometry(), pixels(224, 195, 149, 15));
        QCOMPARE(panel.Item(IDC_GROUP_B)->geometry(), pixels(6, 124, 388, 49));
        QCOMPARE(panel.Text(IDOK), QString(" EXIT"));
        QVERIFY(qobject_cast<QPushButton*>(panel.Item(IDOK))->isDefault() && panel.dialog->focusWidget() == panel.Item(IDOK));
        // Group boxes lie beneath the controls they frame.
        QCOMPARE(panel.dialog->childAt(panel.Item(IDC_SLIDER1)->geometry().center()), panel.Item(IDC_SLIDER1));
        // Tab order: the template's 28 tab stops, from " EXIT" round to REGISTER_S Read.
        QStringList tabStops, chain;
        for (const ControlTemplate& control : MainDialogTemplate().controls)
            tabStops << (control.tabStop ? control.name : "");
        for (QWidget* widget = panel.Item(IDOK); chain.size() < 28; widget = widget->nextInFocusChain()) {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
        }
        QCOMPARE(chain.filter(QRegularExpression(".")), tabStops.filter(QRegularExpression(".")));
    }

    // The real message box: the one text, a warning icon, and why each port was not taken.
    void noBoardReportsOnceAndNeverShowsThePanel()
    {
        CPanelFixture panel({"COM4", "COM3"}, QString());
        panel.ports.Attach("COM3")->faults.silentFrom = 0;
        panel.dialog->m_showMessage = nullptr;
        CBoxAnswerer answer;
        QCOMPARE(panel.dialog->DoModal(), int(QDialog::Rejected));
        QCOMPARE(answer.seen, (QStringList{"LDX7320", "pixmap 32", "\"COM Error\" or \"Power OFF\"",
                                           QString("icon %1").arg(QMessageBox::Warning),
                                           "No LDX7320 board found on the ports tried:\nCOM4: no such device\n"
                                           "COM3: opened, but nothing answered the probe"}));
        QVERIFY(panel.dialog->QuitRequested() && !panel.dialog->isVisible());
        QCOMPARE(panel.ports.Board("COM3")->Received(), Bytes({board::CMD_PROBE}));

        CPanelFixture cancelled;
        cancelled.board->faults.unpluggedFrom = 1;  // the probe goes, CMD_OUTPUT_OFF cannot
        QCOMPARE(cancelled.dialog->DoModal(), int(QDialog::Rejected));
        QVERIFY(cancelled.messages.isEmpty() && !cancelled.dialog->isVisible());
    }

    // Ended from outside (a signal to the program): a box the panel waits on is closed
    // first, then the panel ends; idle, it ends at once. Nothing is sent.
    void endedFromOutside()
    {
        CPanelFixture panel, idle;
        QVERIFY(panel.Start() && idle.Start());
        QTimer::singleShot(50, [&panel] { panel.dialog->RequestEnd(); });
        QTest::keyClick(panel.dialog.get(), Qt::Key_F1);  // back when the About box is closed
        idle.dialog->RequestEnd();
        QVERIFY(!panel.dialog->isVisible() && !idle.dialog->isVisible() && panel.Wire().isEmpty());
    }

    // EXIT, Enter wherever the focus does not take it, Escape and the close box end the
    // panel; nothing more reaches the board.
    void waysToEndThePanel()
    {
        for (const auto& [focus, key, result] :
             {std::tuple{IDOK, Qt::Key_Space, 1}, {IDC_BITS_A, Qt::Key_Return, 1}, {IDC_LED_B1, Qt::Key_Return, 1},
              {IDC_SLIDER2, Qt::Key_Enter, 1}, {IDC_ENABLE, Qt::Key_Escape, 0}, {0, Qt::Key_unknown, 0}}) {
            CPanelFixture panel;
            panel.SwitchOn({IDC_LED_A1, IDC_LED_B1});
            panel.dialog->setResult(-1);
            if (focus == 0) {
                panel.dialog->close();
            } else {
                panel.Item(focus)->setFocus();
                QTest::keyClick(panel.Item(focus), key);
            }
            QCOMPARE(panel.dialog->result(), result);
            QVERIFY(!panel.dialog->isVisible() && panel.Wire().isEmpty());
        }
    }

    // F1, the right-click menu's item and the About command open the About box (flags in
    // the command's low four bits included); its OK closes it; other commands open nothing.
    void aboutBox()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        CBoxAnswerer answer;
        QTest::keyClick(panel.dialog.get(), Qt::Key_F1);
        panel.dialog->OnSysCommand(IDM_ABOUTBOX | 0x3);
        panel.dialog->OnSysCommand(0xF020);
        QTimer::singleShot(50, [&panel] {
            auto* menu = panel.dialog->findChild<QMenu*>();
            menu->setActiveAction(menu->actions().front());
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), panel.dialog->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(panel.dialog.get(), &click);
        const QStringList about{"About LDX7320", "pixmap 32", "LDX7320 Version 1.0"};
        QCOMPARE(answer.seen.mid(0, 3), about);
        QCOMPARE(answer.seen.count("About LDX7320"), 3);
        QVERIFY(!answer.seen.contains("still open"));
        QVERIFY(panel.Wire().isEmpty() && panel.dialog->isVisible());
    }

    // Each box keeps its own bit; Write unlocks exactly the channels whose LEDs are on,
    // and keeps them until the next Write.
    void eachBoxIsOneBitOfRegisterS()
    {
        for (int k = 0; k < 6; ++k) {
            const QString channels = "S" + QString("A..A...B..B...C..C").mid(3 * k, 3);
            CPanelFixture panel;
            panel.SwitchOn({});
            panel.Click(kLeds[k]);
            QCOMPARE(panel.dialog->m_nLedState, 1 << k);
            QVERIFY(panel.Wire().isEmpty() && Usable(panel) == "S...");
            panel.Click(IDC_WRITE_S);
            QCOMPARE(panel.Wire(), Bytes({0x83, 1 << k}));
            QCOMPARE(Usable(panel), channels);
            panel.Click(kLeds[k]);
            QCOMPARE(Usable(panel), channels);
            panel.Click(IDC_WRITE_S);
            QVERIFY(panel.board->registers[board::REGISTER_S] == 0 && Usable(panel) == "S...");
        }
    }

    void enableAndDisable()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_ON}));
        QCOMPARE(panel.Text(IDC_ENABLE) + Usable(panel), QString("DISABLES..."));
        panel.Click(IDC_LED_C1);
        panel.Click(IDC_WRITE_S);
        panel.Click(IDC_UP_C);
        panel.ClearWire();
        // DISABLE resets what the panel shows and sends nothing but the output switch; the
        // chip keeps its current.
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_OUTPUT_OFF}));
        QCOMPARE(panel.Text(IDC_ENABLE) + Usable(panel), QString("ENABLE...."));
        QVERIFY(!panel.Box(IDC_LED_C1)->isChecked());
        QCOMPARE(panel.dialog->m_nLedState + panel.Trackbar(IDC_SLIDER3)->value(), 0);
        QCOMPARE(panel.Field(IDC_BITS_C)->text(), TextOf(0));
        QCOMPARE(panel.board->registers[board::REGISTER_C], quint8(1));
        panel.Click(IDC_ENABLE);
        QCOMPARE(panel.Label(IDC_CURRENT_C)->text() + Usable(panel), QString("LED current : 0.5 mAS..."));
        // Read loads the low six bits into the boxes, ignoring a byte the board sent unasked,
        // and changes nothing else.
        panel.board->registers[board::REGISTER_S] = 0xD5;
        panel.board->SendUnasked(Bytes({0x3F}));
        panel.ClearWire();
        panel.Click(IDC_READ_S);
        QString ticked;
        for (int id : kLeds)
            ticked += panel.Box(id)->isChecked() ? '1' : '0';
        QCOMPARE(panel.Wire() + ticked.toLatin1() + Usable(panel).toLatin1(), Bytes({0x93}) + "101010S...");
        QCOMPARE(panel.dialog->m_nLedState, 0x15);
    }

    // What the panel draws: the channel colours on the channel texts, the step buttons'
    // images (normal, disabled or focused alike; pressed while pressed), the banner's top
    // 64 rows with white transparent at the banner control's place, and the icon while
    // minimised.
    void drawing()
    {
        CPanelFixture panel;
        panel.SwitchOn({IDC_LED_A2});
        const QColor red(214, 52, 29), green(0, 125, 30), blue(0, 0, 255), standard = panel.dialog->palette().color(QPalette::WindowText);
        for (const auto& [id, colour] :
             std::map<int, QColor>{{IDC_GROUP_A, red}, {IDC_CAPTION_A, red}, {IDC_LED_A1, red}, {IDC_LED_A2, red},
                                   {IDC_GROUP_B, green}, {IDC_CAPTION_B, green}, {IDC_LED_B1, green}, {IDC_LED_B2, green},
                                   {IDC_GROUP_C, blue}, {IDC_CAPTION_C, blue}, {IDC_LED_C1, blue}, {IDC_LED_C2, blue},
                                   {IDC_GROUP_S, standard}, {IDC_CURRENT_A, standard}, {IDC_BIT0_C, standard}, {IDOK, standard}})
            QCOMPARE(panel.Item(id)->palette().color(QPalette::Active, QPalette::WindowText), colour);
        for (int id : {IDC_DOWN_A, IDC_UP_A, IDC_DOWN_B, IDC_UP_B, IDC_DOWN_C, IDC_UP_C})
            QCOMPARE(Pixels(panel.Item(id)->grab()), Pixels(QPixmap(":/images/" + panel.Text(id) + "U.xpm")));
        QTest::mousePress(panel.Item(IDC_UP_A), Qt::LeftButton);
        QCOMPARE(Pixels(panel.Item(IDC_UP_A)->grab()), Pixels(QPixmap(":/images/DN1D.xpm")));
        QTest::mouseRelease(panel.Item(IDC_UP_A), Qt::LeftButton);
        controls::CBitmapButton missing(QStringLiteral("DN9"));
        missing.AutoLoad();
        QVERIFY(missing.NormalImage().isNull() && missing.PressedImage().isNull());

        QVERIFY(panel::BannerImage(":/images/none.xpm").isNull());
        const QImage banner = panel::BannerImage(":/images/banner.xpm").toImage();
        QCOMPARE(banner.size(), QSize(450, 64));
        QCOMPARE(qAlpha(banner.pixel(0, 0)), 0);
        // The banner drawn once more over what the panel shows changes nothing.
        const QImage shown = panel.dialog->grab().toImage().copy(QRect(panel.Item(IDC_BANNER)->pos(), banner.size()) & panel.dialog->rect());
        QImage again = shown;
        QPainter(&again).drawImage(0, 0, banner);
        QCOMPARE(again, shown);
        panel.dialog->showMinimized();
        QImage minimised(panel.dialog->size(), QImage::Format_RGB32);
        panel.dialog->render(&minimised, {}, {}, QWidget::DrawWindowBackground);
        QImage icon(32, 32, QImage::Format_RGB32);
        icon.fill(minimised.pixel(0, 0));
        QPainter(&icon).drawPixmap(0, 0, QPixmap(":/images/icon32.xpm"));
        QCOMPARE(minimised.copy(QRect(panel::MinimisedIconOrigin(minimised.size(), QSize(32, 32)), QSize(32, 32))), icon);
        QCOMPARE(panel::MinimisedIconOrigin(QSize(0, 0), QSize(32, 32)), QPoint(-15, -15));
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"

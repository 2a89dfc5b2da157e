// Start-up, the disabled state, the data exchange of the bits fields, closing, and the
// layout built from the dialog template.
#include "PanelFixture.h"

#include "BitsCodec.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

using namespace res;

namespace {

const QString kTemplate = QString::fromLatin1(codec::kBitsTemplate);

// Closes the next modal window that opens and returns its title.
void AnswerNextModal(QString* title, QStringList* texts)
{
    QTimer::singleShot(0, [title, texts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        *title = modal->windowTitle();
        for (QLabel* label : modal->findChildren<QLabel*>())
            *texts << label->text();
        qobject_cast<QDialog*>(modal)->accept();
    });
}

}  // namespace

class TestPanelStartup : public QObject {
    Q_OBJECT

private slots:
    void startsDisabledAfterProbeAndOutputOff()
    {
        CPanelFixture panel;
        const bool running = panel.dialog->StartUp();
        QVERIFY(running);
        QCOMPARE(panel.Wire(), Bytes({board::CMD_PROBE, board::CMD_OUTPUT_OFF}));
        QCOMPARE(panel.Text(IDC_ENABLE), QString("ENABLE"));
        QVERIFY(panel.messages.isEmpty());
        for (QWidget* control : panel.dialog->findChildren<QWidget*>()) {
            const int id = controls::ControlId(control);
            const bool interactive = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control)
                || qobject_cast<QSlider*>(control);
            if (!interactive || id == 0)
                continue;
            QCOMPARE(control->isEnabled(), id == IDOK || id == IDC_ENABLE);
        }
        for (int id : {IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2})
            QVERIFY(!panel.Box(id)->isChecked());
        for (int id : {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C})
            QCOMPARE(panel.Field(id)->text(), kTemplate);
        QCOMPARE(panel.dialog->m_strGoodBitsB, QByteArray(codec::kBitsTemplate));
        for (int id : {IDC_CURRENT_A, IDC_CURRENT_B, IDC_CURRENT_C})
            QVERIFY(panel.Label(id)->isHidden());
        QCOMPARE(panel.dialog->m_strCurrentC, QString("LED current : 0.5 mA"));
        for (int id : {IDC_SLIDER1, IDC_SLIDER2, IDC_SLIDER3}) {
            QCOMPARE(panel.Trackbar(id)->value(), 0);
            QCOMPARE(panel.Trackbar(id)->minimum(), 0);
            QCOMPARE(panel.Trackbar(id)->maximum(), 63);
            QCOMPARE(panel.Trackbar(id)->tickInterval(), 4);
        }
        QCOMPARE(panel.dialog->m_nLedState, 0);
        QVERIFY(!panel.dialog->m_bEnabled);
    }

    // The real message box: the one text, a warning icon, and why each port was not taken.
    void noBoardReportsOnceAndNeverShowsThePanel()
    {
        CPanelFixture panel({"COM4", "COM3", "COM2", "COM1"}, QString());
        auto silent = panel.ports.Attach("COM3");
        silent->faults.silentFrom = 0;
        panel.dialog->m_showMessage = nullptr;
        QStringList shown;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << box->text() << QString::number(box->icon()) << box->detailedText();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(10);
        QCOMPARE(panel.dialog->DoModal(), int(QDialog::Rejected));
        QCOMPARE(shown, (QStringList{"\"COM Error\" or \"Power OFF\"", QString::number(QMessageBox::Warning),
                                     "No LDX7320 board found on the ports tried:\n"
                                     "COM4: no such device\n"
                                     "COM3: opened, but nothing answered the probe\n"
                                     "COM2: no such device\n"
                                     "COM1: no such device"}));
        QVERIFY(panel.dialog->QuitRequested());
        QVERIFY(!panel.dialog->isVisible());
        QCOMPARE(silent->Received(), Bytes({board::CMD_PROBE}));  // nothing after the probe
    }

    void failedSendDuringStartUpEndsThePanelUnseen()
    {
        CPanelFixture panel;
        panel.board->faults.unpluggedFrom = 1;  // the probe goes, CMD_OUTPUT_OFF cannot
        QCOMPARE(panel.dialog->DoModal(), int(QDialog::Rejected));
        QVERIFY(panel.messages.isEmpty());
        QVERIFY(!panel.dialog->isVisible());
    }

    void exitEnterEscapeAndCloseEndThePanel_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("EXIT") << 0 << int(QDialog::Accepted);
        QTest::newRow("Enter in a bits field") << 1 << int(QDialog::Accepted);
        QTest::newRow("Enter on a check box") << 2 << int(QDialog::Accepted);
        QTest::newRow("Escape") << 3 << int(QDialog::Rejected);
        QTest::newRow("close box") << 4 << int(QDialog::Rejected);
    }
    void exitEnterEscapeAndCloseEndThePanel()
    {
        QFETCH(int, how);
        QFETCH(int, result);
        CPanelFixture panel;
        QVERIFY(panel.Start());
        panel.dialog->setResult(-1);
        switch (how) {
        case 0:
            panel.Click(IDOK);
            break;
        case 1:
            panel.Click(IDC_ENABLE);
            panel.Click(IDC_LED_A1);
            panel.Click(IDC_WRITE_S);
            panel.Field(IDC_BITS_A)->setFocus();
            QTest::keyClick(panel.Field(IDC_BITS_A), Qt::Key_Return);
            break;
        case 2:
            panel.Click(IDC_ENABLE);
            panel.Box(IDC_LED_B1)->setFocus();
            QTest::keyClick(panel.Box(IDC_LED_B1), Qt::Key_Return);
            break;
        case 3:
            QTest::keyClick(panel.dialog.get(), Qt::Key_Escape);
            break;
        case 4:
            panel.dialog->close();
            break;
        }
        QCOMPARE(panel.dialog->result(), result);
        QVERIFY(!panel.dialog->isVisible());
    }

    void dataExchangeCoversAllFieldsAndStaysQuiet()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (int id : {IDC_BITS_A, IDC_BITS_B, IDC_BITS_C})
            spies.push_back(std::make_unique<QSignalSpy>(panel.Field(id), &QLineEdit::textChanged));
        panel.dialog->m_strBitsA = codec::ValueToBits(5);
        panel.dialog->m_strBitsC = codec::ValueToBits(63);
        panel.dialog->UpdateData(false);
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), QString::fromLatin1(codec::ValueToBits(5)));
        QCOMPARE(panel.Field(IDC_BITS_B)->text(), kTemplate);
        QCOMPARE(panel.Field(IDC_BITS_C)->text(), QString::fromLatin1(codec::ValueToBits(63)));
        for (const auto& spy : spies)
            QCOMPARE(spy->count(), 0);
        // The last accepted texts did not move: the rule never ran.
        QCOMPARE(panel.dialog->m_strGoodBitsA, QByteArray(codec::kBitsTemplate));
        // Reading takes all three fields.
        panel.Field(IDC_BITS_B)->setText(QStringLiteral("abc"));  // a direct setting runs the rule
        QCOMPARE(spies[1]->count(), 1);
        panel.dialog->m_strBitsA.clear();
        panel.dialog->UpdateData(true);
        QCOMPARE(panel.dialog->m_strBitsA, codec::ValueToBits(5));
        QCOMPARE(panel.dialog->m_strBitsB, QByteArray(codec::kBitsTemplate));
    }

    void layoutFollowsTheTemplate()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const controls::DialogBaseUnits units = controls::BaseUnitsOf(panel.dialog->font());
        QCOMPARE(panel.dialog->size(), units.ToPixels(401, 229));
        QCOMPARE(panel.dialog->minimumSize(), panel.dialog->maximumSize());
        QVERIFY(panel.dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(panel.Item(IDC_SLIDER3)->geometry(), units.ToPixels(224, 195, 149, 15));
        QCOMPARE(panel.Item(IDC_GROUP_B)->geometry(), units.ToPixels(6, 124, 388, 49));
        QCOMPARE(panel.Text(IDOK), QString(" EXIT"));
        QVERIFY(qobject_cast<QPushButton*>(panel.Item(IDOK))->isDefault());
        // Group boxes lie beneath the controls they frame and take none of their clicks.
        QCOMPARE(panel.dialog->childAt(panel.Item(IDC_SLIDER1)->geometry().center()), panel.Item(IDC_SLIDER1));
        // Tab order: the template's tab stops, from " EXIT" round to REGISTER_S Read.
        QStringList tabStops, chain;
        for (const ControlTemplate& control : MainDialogTemplate().controls) {
            if (control.tabStop)
                tabStops << control.name;
        }
        QWidget* widget = panel.Item(IDOK);
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != panel.Item(IDOK) && chain.size() <= tabStops.size());
        QCOMPARE(chain, tabStops);
        QCOMPARE(tabStops.size(), 28);
    }

    void aboutBoxOpensFromF1()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        QString title;
        QStringList texts;
        AnswerNextModal(&title, &texts);
        QTest::keyClick(panel.dialog.get(), Qt::Key_F1);
        QCOMPARE(title, QString("About LDX7320"));
        QVERIFY(texts.contains("LDX7320 Version 1.0"));
        QVERIFY(panel.Wire().isEmpty());
        QVERIFY(panel.dialog->isVisible());
    }
};

QTEST_MAIN(TestPanelStartup)
#include "test_panel_startup.moc"

// What the panel does only on Windows: the About item it appends to the window's system
// menu, and how system commands reach it.
#include "PanelFixture.h"

#include <windows.h>

class TestWindowsPanel : public QObject {
    Q_OBJECT

private slots:
    // The system menu ends with a separator and "&About LDX7320..."; the About command
    // opens the About box, sent or posted, whatever Windows keeps in its low four bits;
    // any other command does what Windows does. Nothing reaches the board.
    void systemMenuAndCommands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("posted");
        QTest::newRow("About, sent") << 0x10 << false;
        QTest::newRow("About, posted") << 0x10 << true;
        QTest::newRow("About with flags in the low bits") << 0x13 << false;
        QTest::newRow("Minimise") << int(SC_MINIMIZE) << false;
    }
    void systemMenuAndCommands()
    {
        QFETCH(int, command);
        QFETCH(bool, posted);
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const HWND window = reinterpret_cast<HWND>(panel.dialog->winId());
        const HMENU menu = ::GetSystemMenu(window, FALSE);
        const int count = ::GetMenuItemCount(menu);
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, UINT(count - 1), text, 64, MF_BYPOSITION);
        QCOMPARE(::GetMenuState(menu, UINT(count - 2), MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
        QCOMPARE(QString::fromWCharArray(text) + QString::number(::GetMenuItemID(menu, count - 1)), QString("&About LDX7320...16"));
        CBoxAnswerer answer;
        posted ? void(::PostMessageW(window, WM_SYSCOMMAND, WPARAM(command), 0))
               : void(::SendMessageW(window, WM_SYSCOMMAND, WPARAM(command), 0));
        const bool about = command != SC_MINIMIZE;
        if (about)
            QTRY_VERIFY(!answer.seen.isEmpty());
        QCOMPARE(answer.seen.value(0), about ? QString("About LDX7320") : QString());
        QCOMPARE(bool(::IsIconic(window)), !about);
        QVERIFY(panel.Wire().isEmpty());
        QVERIFY(panel.dialog->isVisible());
    }
};

QTEST_MAIN(TestWindowsPanel)
#include "test_windows_panel.moc"

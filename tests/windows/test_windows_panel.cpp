// What the panel does only on Windows: the About item it appends to the window's system
// menu, and how system commands reach it.
#include "PanelFixture.h"

#include <QApplication>
#include <QTimer>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class TestWindowsPanel : public QObject {
    Q_OBJECT

private slots:
    void systemMenuEndsWithTheAboutItem()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(panel.dialog->winId()), FALSE);
        const int count = ::GetMenuItemCount(menu);
        QCOMPARE(::GetMenuState(menu, UINT(count - 2), MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
        QCOMPARE(::GetMenuItemID(menu, count - 1), UINT(0x10));
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, UINT(count - 1), text, 64, MF_BYPOSITION);
        QCOMPARE(QString::fromWCharArray(text), QString("&About LDX7320..."));
    }

    // The About command opens the About box, sent or posted, whatever Windows keeps in its
    // low four bits; any other command does what Windows does.
    void systemCommands_data()
    {
        QTest::addColumn<bool>("posted");
        QTest::addColumn<int>("command");
        QTest::newRow("About, sent") << false << 0x10;
        QTest::newRow("About, posted as the menu does") << true << 0x10;
        QTest::newRow("About, low bits set") << false << 0x13;
        QTest::newRow("minimise") << false << int(SC_MINIMIZE);
    }
    void systemCommands()
    {
        QFETCH(bool, posted);
        QFETCH(int, command);
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const HWND window = reinterpret_cast<HWND>(panel.dialog->winId());
        QStringList opened;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&opened] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()); box && box->isVisible()) {
                opened << box->windowTitle();
                box->accept();
            }
        });
        answer.start(10);
        if (posted)
            ::PostMessageW(window, WM_SYSCOMMAND, WPARAM(command), 0);
        else
            ::SendMessageW(window, WM_SYSCOMMAND, WPARAM(command), 0);
        const bool about = command != SC_MINIMIZE;
        if (about)
            QTRY_VERIFY(!opened.isEmpty());
        QCOMPARE(opened, about ? QStringList{"About LDX7320"} : QStringList());
        QCOMPARE(bool(::IsIconic(window)), !about);
        QVERIFY(panel.Wire().isEmpty() && panel.dialog->isVisible() && !panel.dialog->EndRequested());
    }
};

QTEST_MAIN(TestWindowsPanel)
#include "test_windows_panel.moc"

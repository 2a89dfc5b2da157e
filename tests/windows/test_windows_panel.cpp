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

namespace {

HWND WindowOf(const CPanelFixture& panel)
{
    return reinterpret_cast<HWND>(panel.dialog->winId());
}

struct MenuItem {
    UINT type = 0;
    UINT id = 0;
    QString text;
};

MenuItem ItemAt(HMENU menu, int position)
{
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = UINT(std::size(text));
    MenuItem item;
    if (::GetMenuItemInfoW(menu, UINT(position), TRUE, &info)) {
        item.type = info.fType;
        item.id = info.wID;
        item.text = QString::fromWCharArray(text);
    }
    return item;
}

// Records the title of every modal window that opens while it lives, and closes it,
// as a person reading it would.
class CModalWatcher {
public:
    CModalWatcher()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->isHidden())
                return;
            titles << modal->windowTitle();
            qobject_cast<QDialog*>(modal)->accept();
        });
        m_timer.start(10);
    }

    QStringList titles;

private:
    QTimer m_timer;
};

}  // namespace

class TestWindowsPanel : public QObject {
    Q_OBJECT

private slots:
    void systemMenuEndsWithTheAboutItem()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const HMENU menu = ::GetSystemMenu(WindowOf(panel), FALSE);
        QVERIFY(menu);
        const int count = ::GetMenuItemCount(menu);
        QVERIFY(count >= 2);
        const MenuItem separator = ItemAt(menu, count - 2);
        const MenuItem about = ItemAt(menu, count - 1);
        QVERIFY(separator.type & MFT_SEPARATOR);
        QCOMPARE(about.type & MFT_SEPARATOR, 0u);
        QCOMPARE(about.id, 0x10u);
        QCOMPARE(about.text, QString("&About LDX7320..."));
    }

    void systemCommands_data()
    {
        QTest::addColumn<bool>("posted");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("opensAbout");
        QTest::addColumn<bool>("minimises");
        QTest::newRow("About, sent") << false << 0x10 << true << false;
        QTest::newRow("About, posted as the menu does") << true << 0x10 << true << false;
        // Windows keeps the low four bits of the command for itself.
        QTest::newRow("About, low bits set") << false << 0x13 << true << false;
        QTest::newRow("minimise") << false << int(SC_MINIMIZE) << false << true;
    }
    void systemCommands()
    {
        QFETCH(bool, posted);
        QFETCH(int, command);
        QFETCH(bool, opensAbout);
        QFETCH(bool, minimises);
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const HWND window = WindowOf(panel);
        CModalWatcher watcher;
        if (posted) {
            QVERIFY(::PostMessageW(window, WM_SYSCOMMAND, WPARAM(command), 0));
            QTRY_VERIFY(!watcher.titles.isEmpty());
        } else {
            // A sent command has been handled in full, modal box included, when this returns.
            ::SendMessageW(window, WM_SYSCOMMAND, WPARAM(command), 0);
        }
        QCOMPARE(watcher.titles, opensAbout ? QStringList{"About LDX7320"} : QStringList());
        if (minimises) {
            QVERIFY(::IsIconic(window));
            QTRY_VERIFY(panel.dialog->isMinimized());
        } else {
            QVERIFY(!::IsIconic(window));
        }
        // Neither command is anything the board hears of, nor does it end the panel.
        QVERIFY(panel.Wire().isEmpty());
        QVERIFY(panel.dialog->isVisible());
        QVERIFY(!panel.dialog->EndRequested());
    }
};

QTEST_MAIN(TestWindowsPanel)
#include "test_windows_panel.moc"

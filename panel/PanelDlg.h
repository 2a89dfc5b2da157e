// The panel: the one dialog that is the whole user interface. It owns the controls and
// the board link for the whole run.
//
// Start-up, the two states and the end of the panel are in PanelDlg.cpp; the handlers in
// EnableHandlers.cpp (ENABLE, the LED boxes, REGISTER_S), ChannelHandlers.cpp (the
// current channels), BitsEditHandlers.cpp (the bits fields) and Painting.cpp.
#pragma once

#include "BoardHost.h"
#include "BoardLink.h"
#include "ChannelTable.h"

#include <QDialog>
#include <QIcon>
#include <QMap>
#include <QPixmap>
#include <QStringList>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace controls {
class CBitmapButton;
class CTrackbar;
}  // namespace controls

struct PanelSetup {
    QStringList candidates;  // the port names to search, in order
    bool trace = false;      // every exchange on standard error
    bool simulated = false;  // the board is the simulated one: the title says so
};

class CPanelDlg : public QDialog, private board::IBoardHost {
    Q_OBJECT

public:
    CPanelDlg(board::CPortProvider& ports, const PanelSetup& setup, QWidget* parent = nullptr);
    ~CPanelDlg() override;

    // Runs start-up, then the panel until it is closed; the panel is never shown when
    // start-up already ended it (no board, or a byte that could not be sent).
    int DoModal();
    // Start-up, as DoModal runs it before showing the panel; false when start-up has
    // already ended the panel.
    bool StartUp();
    // Ends the panel from outside (a signal to the program), as EXIT would but sending
    // nothing: a box it waits on (a message, the About box) is closed first, so that the
    // handler that opened it can finish.
    void RequestEnd();
    bool EndRequested() const { return m_ending != Ending::None; }
    // The link could not go on: no board, or a byte of a write not acknowledged.
    bool QuitRequested() const { return m_ending == Ending::Quit; }

    // How the link's message and the no-board report are shown; by default in a message
    // box over the panel. A test may answer them instead of a person.
    using MessageShower = std::function<void(const QString& text, const QString& details)>;
    void SetMessageShower(MessageShower show) { m_showMessage = std::move(show); }
    // Runs the About box modally over the panel; the application supplies it.
    void SetAboutBox(std::function<void(QWidget* parent)> run) { m_runAboutBox = std::move(run); }
    void ShowAbout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // A channel's controls, found once by their template ids, and the last text its bits
    // field accepted.
    struct ChannelControls {
        const panel::Channel* channel = nullptr;
        QPushButton* write = nullptr;
        QPushButton* read = nullptr;
        QLineEdit* bits = nullptr;
        controls::CBitmapButton* down = nullptr;
        controls::CBitmapButton* up = nullptr;
        QLabel* current = nullptr;
        controls::CTrackbar* trackbar = nullptr;
        QByteArray lastAcceptedBits;
    };
    enum class Ending { None, Cancelled, Quit };

    void BuildControls();
    void ConnectHandlers();
    void OnInitDialog();
    void ApplyEnableState(bool enable);
    void EnterEnabledState();
    void EnterDisabledState();
    void EnableChannel(ChannelControls& channel, bool on);

    // ENABLE, the LED boxes and REGISTER_S.
    void OnEnableToggle();
    void OnWriteS();
    void OnReadS();
    int LedState() const;

    // Current channels.
    void OnWrite(ChannelControls& channel);
    void OnRead(ChannelControls& channel);
    void OnStep(ChannelControls& channel, int step);
    void OnTrackbarScrolled(ChannelControls& channel);
    void ShowCurrentIfEnabled(ChannelControls& channel, int code);
    void WriteCurrent(ChannelControls& channel, int code);
    void RefreshBits(ChannelControls& channel, int code);

    // Bits fields.
    void OnBitsEdited(ChannelControls& channel);
    void SetBitsTextDirectly(ChannelControls& channel, const QByteArray& text);

    // Painting.
    void LoadBanner();
    void ApplyChannelColours(const QMap<int, QWidget*>& built);

    // What the link's results mean for the panel: a byte of a write that the board did not
    // acknowledge is said once, closes the port and ends the panel; a byte that could not
    // be exchanged otherwise cancels it. A read without an answer reads as 0.
    void Check(const board::BoardResult& result);
    // The answer to a switch of the output is not looked at: only a lost port counts.
    void CheckSwitch(const board::BoardResult& result);
    void ReportNoBoard(const board::BoardResult& search);
    void ShowLinkMessage(const QString& details);
    void End(Ending ending);

    // The link's host: its trace goes to standard error.
    void WriteDiagnostic(const QString& line) override;

    PanelSetup m_setup;
    board::CBoardLink m_link;
    bool m_enabled = false;
    Ending m_ending = Ending::None;
    MessageShower m_showMessage;
    std::function<void(QWidget* parent)> m_runAboutBox;

    QPushButton* m_exitButton = nullptr;
    QPushButton* m_enableButton = nullptr;
    std::array<QCheckBox*, 6> m_ledBoxes{};  // in REGISTER_S bit order: LED_A1 .. LED_C2
    QPushButton* m_writeSButton = nullptr;
    QPushButton* m_readSButton = nullptr;
    std::array<ChannelControls, 3> m_channels;  // A, B, C
    QWidget* m_bannerPlace = nullptr;
    QPixmap m_banner;  // white made transparent; null when the image is missing
    QIcon m_icon;
};

// The panel: the one dialog that is the whole user interface. It owns the controls, the
// board link, the register shadows and the display texts for the whole run.
//
// Start-up, the enable states and the data exchange are in PanelDlg.cpp; the handlers in
// EnableHandlers.cpp (ENABLE, LED boxes, REGISTER_S), ChannelHandlers.cpp (current
// channels), BitsEditHandlers.cpp (the bits fields) and Painting.cpp.
#pragma once

#include "BoardHost.h"
#include "BoardLink.h"

#include <QByteArray>
#include <QDialog>
#include <QIcon>
#include <QMap>
#include <QPixmap>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace controls {
class CBitmapButton;
}
namespace panel {
struct Channel;
}

class CPanelDlg : public QDialog, public board::IBoardHost {
    Q_OBJECT

public:
    // candidates: the port names to search, in order.
    CPanelDlg(board::CPortProvider& ports, const QStringList& candidates, bool trace, QWidget* parent = nullptr);
    ~CPanelDlg() override;

    // Runs start-up, then the panel until it is closed; the panel is never shown when
    // start-up already ended it (no board, or a byte that could not be sent).
    int DoModal();
    // Start-up, as DoModal runs it before showing the panel; false when start-up has
    // already ended the panel.
    bool StartUp();
    bool OnInitDialog();
    bool EndRequested() const { return m_bCancelRequested || m_bQuitRequested; }
    // Ends the panel from outside its handlers, as EXIT would but sending nothing: a box
    // it waits on (a message, the About box) is closed, so that the handler that opened it
    // can finish, and the panel ends as soon as no handler runs.
    void RequestEnd();
    bool QuitRequested() const { return m_bQuitRequested; }

    QWidget* GetDlgItem(int id) const { return m_controls.value(id); }
    void UpdateData(bool bSaveAndValidate);

    // Board host.
    void CancelPanel() override;
    void RequestQuit() override;
    void ShowBoardMessage(const QString& text, const QString& details) override;
    void WriteDiagnostic(const QString& line) override;

    // How the link's message is shown; a test may answer it instead of a person.
    std::function<void(const QString& text, const QString& details)> m_showMessage;
    // Runs the About box modally over the panel; the application supplies it.
    std::function<void(QWidget* parent)> m_runAboutBox;

    // Members, in the order of the original dialog class.
    QString m_strCurrentC, m_strCurrentB, m_strCurrentA;
    QByteArray m_strGoodBitsA, m_strGoodBitsB, m_strGoodBitsC;
    QByteArray m_strBits;
    controls::CBitmapButton* m_btnUpA = nullptr;
    controls::CBitmapButton* m_btnDownA = nullptr;
    controls::CBitmapButton* m_btnUpB = nullptr;
    controls::CBitmapButton* m_btnDownB = nullptr;
    controls::CBitmapButton* m_btnUpC = nullptr;
    controls::CBitmapButton* m_btnDownC = nullptr;
    int m_nLedState = 0;
    bool m_bEnabled = false;
    QWidget* m_pBanner = nullptr;
    QVector<QPixmap> m_imageList;      // image 0: the banner, white made transparent
    board::CBoardLink m_link;          // the port, its settings and m_byReply
    QSlider* m_sliderC = nullptr;
    QSlider* m_sliderB = nullptr;
    QSlider* m_sliderA = nullptr;
    std::array<QCheckBox*, 6> m_chkLed{};  // element k is check box 1008 - k: C2 .. A1
    QPushButton* m_btnEnable = nullptr;
    QByteArray m_strBitsA, m_strBitsB, m_strBitsC;
    QIcon m_hIcon;

    // Start-up and states.
    void ApplyEnableState(bool bEnable);
    void OnSysCommand(int nID);
    void OnOK();

    // Enable toggle, LED switches and REGISTER_S.
    void OnEnableToggle();
    void OnLedA1();
    void OnLedA2();
    void OnLedB1();
    void OnLedB2();
    void OnLedC1();
    void OnLedC2();
    void OnWriteS();
    void OnReadS();

    // Current channels.
    void OnWriteA();
    void OnWriteB();
    void OnWriteC();
    void OnReadA();
    void OnReadB();
    void OnReadC();
    void OnStepDownA();
    void OnStepDownB();
    void OnStepDownC();
    void OnStepUpA();
    void OnStepUpB();
    void OnStepUpC();
    void OnHScroll(int nSBCode, int nPos, QWidget* pScrollBar);

    // Bits fields.
    void OnChangeBitsA();
    void OnChangeBitsB();
    void OnChangeBitsC();
    void ValueToBits(int code);
    int BitsToValue(const QByteArray& text) const;
    void NormaliseBits(const QByteArray& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void EnterEnabledState();
    void EnterDisabledState();
    void SetFieldTextDirectly(int id, const QByteArray& text);
    void BindMessageMap();
    void BindControls();
    // Runs a handler the way the message loop would: once the outermost handler has
    // returned, an end asked for meanwhile closes the panel.
    void Dispatch(const std::function<void()>& handler);
    void EndIfRequested();
    void LoadBanner();
    void ApplyChannelColours();

    // Shared steps of the channel handlers.
    void OnLed(int bit, int id);
    void OnWrite(const panel::Channel& channel);
    void OnRead(const panel::Channel& channel);
    void OnStep(const panel::Channel& channel, int step);
    void OnChangeBits(const panel::Channel& channel);
    void SetCurrentText(const panel::Channel& channel, int code);
    void ShowCurrentText(const panel::Channel& channel);
    void WriteCurrent(const panel::Channel& channel, int code);
    void RefreshBits(const panel::Channel& channel, int code);

    QSlider* Trackbar(int id) const;
    void EnableControl(int id, bool enable);

    QMap<int, QWidget*> m_controls;
    QStringList m_candidatePorts;
    int m_nHandlerDepth = 0;
    bool m_bCancelRequested = false;
    bool m_bQuitRequested = false;
};

#include "PanelDlg.h"

#include "BitmapButton.h"
#include "BitsCodec.h"
#include "BitsFieldText.h"
#include "BoardCommands.h"
#include "ChannelTable.h"
#include "CurrentCode.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "ResourceIds.h"
#include "Trackbar.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <cstdio>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

using namespace res;
using panel::Channel;
using panel::Channels;

namespace {

// The six LED boxes in REGISTER_S bit order.
constexpr std::array<int, 6> kLedBoxes{IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2};

// Windows' trackbar takes a fifth of its range as a page.
constexpr int kTrackbarTickEvery = 4;
constexpr int kTrackbarPage = codec::kMaxCode / 5;

}  // namespace

CPanelDlg::CPanelDlg(board::CPortProvider& ports, const QStringList& candidates, bool trace, QWidget* parent)
    : QDialog(parent), m_link(ports, *this), m_candidatePorts(candidates)
{
    m_hIcon.addFile(QStringLiteral(":/images/icon32.xpm"), QSize(32, 32));
    m_hIcon.addFile(QStringLiteral(":/images/icon16.xpm"), QSize(16, 16));
    m_link.SetTrace(trace);
    // Fixed size with a minimise box, and a button of its own on the task bar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_controls = controls::BuildDialog(this, MainDialogTemplate());
    ApplyChannelColours();
    BindControls();
    BindMessageMap();
}

CPanelDlg::~CPanelDlg() = default;

int CPanelDlg::DoModal()
{
    if (!StartUp())
        return QDialog::Rejected;
    return exec();
}

bool CPanelDlg::StartUp()
{
    Dispatch([this] { OnInitDialog(); });
    return !EndRequested();
}

bool CPanelDlg::OnInitDialog()
{
#ifdef Q_OS_WIN
    if (HMENU systemMenu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
        const std::wstring aboutText = QString::fromLatin1(kAboutMenuText).toStdWString();
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
    }
#endif
    setWindowIcon(m_hIcon);
    for (QSlider* trackbar : {m_sliderA, m_sliderB, m_sliderC}) {
        trackbar->setRange(0, codec::kMaxCode);
        trackbar->setTickInterval(kTrackbarTickEvery);
        trackbar->setPageStep(kTrackbarPage);
    }
    m_pBanner = GetDlgItem(IDC_BANNER);
    LoadBanner();
    for (controls::CBitmapButton* button : {m_btnUpA, m_btnDownA, m_btnUpB, m_btnDownB, m_btnUpC, m_btnDownC})
        button->AutoLoad();
    m_link.FindBoardPort(m_candidatePorts);
    m_bEnabled = false;
    ApplyEnableState(m_bEnabled);
    GetDlgItem(IDOK)->setFocus();
    return true;
}

void CPanelDlg::ApplyEnableState(bool bEnable)
{
    if (bEnable)
        EnterEnabledState();
    else
        EnterDisabledState();
}

// The channel controls stay as they were: REGISTER_S's Write unlocks them.
void CPanelDlg::EnterEnabledState()
{
    m_btnEnable->setText(QStringLiteral("DISABLE"));
    for (int id : kLedBoxes)
        EnableControl(id, true);
    EnableControl(IDC_WRITE_S, true);
    EnableControl(IDC_READ_S, true);
    m_link.ExchangeByte(board::CMD_OUTPUT_ON);
}

// Shows code 0 everywhere without writing any current register.
void CPanelDlg::EnterDisabledState()
{
    m_btnEnable->setText(QStringLiteral("ENABLE"));
    for (int id : kLedBoxes)
        EnableControl(id, false);
    for (const Channel& channel : Channels())
        GetDlgItem(channel.labelId)->hide();
    for (const Channel& channel : Channels())
        this->*channel.current = panel::CurrentText(0);
    for (int Channel::*control : {&Channel::bitsId, &Channel::writeId, &Channel::readId}) {
        for (const Channel& channel : Channels())
            EnableControl(channel.*control, false);
    }
    for (const Channel& channel : Channels()) {
        EnableControl(channel.downId, false);
        EnableControl(channel.upId, false);
    }
    EnableControl(IDC_WRITE_S, false);
    EnableControl(IDC_READ_S, false);
    for (const Channel& channel : Channels())
        Trackbar(channel.trackbarId)->setValue(0);
    for (const Channel& channel : Channels())
        EnableControl(channel.trackbarId, false);
    m_nLedState = 0;
    for (int id : kLedBoxes)
        qobject_cast<QCheckBox*>(GetDlgItem(id))->setChecked(false);
    for (const Channel& channel : Channels())
        SetFieldTextDirectly(channel.bitsId, codec::kBitsTemplate);
    m_link.ExchangeByte(board::CMD_OUTPUT_OFF);
}

// Unlike the data exchange, a direct setting is a change of the field's text, even to
// the text it already shows, so the field's bits edit rule runs at once.
void CPanelDlg::SetFieldTextDirectly(int id, const QByteArray& text)
{
    auto* field = qobject_cast<QLineEdit*>(GetDlgItem(id));
    const QString shown = controls::FromBitsText(text);
    if (field->text() == shown)
        emit field->textChanged(shown);
    else
        field->setText(shown);
}

void CPanelDlg::UpdateData(bool bSaveAndValidate)
{
    for (const Channel& channel : Channels()) {
        auto* field = qobject_cast<QLineEdit*>(GetDlgItem(channel.bitsId));
        QByteArray& member = this->*channel.bits;
        if (bSaveAndValidate)
            member = controls::ToBitsText(field->text());
        else if (controls::ToBitsText(field->text()) != member)
            controls::SetFieldTextQuietly(field, member);
    }
}

void CPanelDlg::OnSysCommand(int nID)
{
    if ((nID & 0xFFF0) != IDM_ABOUTBOX)
        return;
    if (m_runAboutBox)
        m_runAboutBox(this);
}

void CPanelDlg::OnOK()
{
    UpdateData(true);
    accept();
}

void CPanelDlg::RequestEnd()
{
    m_bCancelRequested = true;
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()); box && box != this)
        box->reject();
    if (m_nHandlerDepth == 0)
        EndIfRequested();
}

void CPanelDlg::CancelPanel()
{
    m_bCancelRequested = true;
}

void CPanelDlg::RequestQuit()
{
    m_bQuitRequested = true;
}

// A message with details (no board found) carries a warning icon and the reasons behind
// "Show Details...", for a user who started the panel from a menu and sees no terminal.
void CPanelDlg::ShowBoardMessage(const QString& text, const QString& details)
{
    if (m_showMessage) {
        m_showMessage(text, details);
        return;
    }
    const QMessageBox::Icon icon = details.isEmpty() ? QMessageBox::NoIcon : QMessageBox::Warning;
    QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, isVisible() ? this : nullptr);
    box.setDetailedText(details);
    box.exec();
}

void CPanelDlg::WriteDiagnostic(const QString& line)
{
    std::fprintf(stderr, "ldx7320: %s\n", qPrintable(line));
    std::fflush(stderr);
}

void CPanelDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // Where the window manager owns the title-bar menu, the About entry lives here.
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromLatin1(kAboutMenuText));
    if (menu.exec(event->globalPos()) == about)
        Dispatch([this] { OnSysCommand(IDM_ABOUTBOX); });
}

#ifdef Q_OS_WIN
bool CPanelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const MSG* msg = static_cast<const MSG*>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_SYSCOMMAND
        && (msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
        Dispatch([this, msg] { OnSysCommand(int(msg->wParam)); });
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CPanelDlg::BindControls()
{
    m_sliderC = Trackbar(IDC_SLIDER3);
    m_sliderB = Trackbar(IDC_SLIDER2);
    m_sliderA = Trackbar(IDC_SLIDER1);
    int id = IDC_LED_C2;  // element k is box 1008 - k
    for (QCheckBox*& box : m_chkLed)
        box = qobject_cast<QCheckBox*>(GetDlgItem(id--));
    m_btnEnable = qobject_cast<QPushButton*>(GetDlgItem(IDC_ENABLE));
    const auto stepButton = [this](int id) { return qobject_cast<controls::CBitmapButton*>(GetDlgItem(id)); };
    m_btnUpA = stepButton(IDC_UP_A);
    m_btnDownA = stepButton(IDC_DOWN_A);
    m_btnUpB = stepButton(IDC_UP_B);
    m_btnDownB = stepButton(IDC_DOWN_B);
    m_btnUpC = stepButton(IDC_UP_C);
    m_btnDownC = stepButton(IDC_DOWN_C);
}

// Which handler each control's notification runs.
void CPanelDlg::BindMessageMap()
{
    using Handler = void (CPanelDlg::*)();
    static const std::pair<int, Handler> clicked[] = {
        {IDOK, &CPanelDlg::OnOK},
        {IDC_ENABLE, &CPanelDlg::OnEnableToggle},
        {IDC_LED_A1, &CPanelDlg::OnLedA1},
        {IDC_LED_A2, &CPanelDlg::OnLedA2},
        {IDC_LED_B1, &CPanelDlg::OnLedB1},
        {IDC_LED_B2, &CPanelDlg::OnLedB2},
        {IDC_LED_C1, &CPanelDlg::OnLedC1},
        {IDC_LED_C2, &CPanelDlg::OnLedC2},
        {IDC_WRITE_A, &CPanelDlg::OnWriteA},
        {IDC_WRITE_B, &CPanelDlg::OnWriteB},
        {IDC_WRITE_C, &CPanelDlg::OnWriteC},
        {IDC_READ_A, &CPanelDlg::OnReadA},
        {IDC_READ_B, &CPanelDlg::OnReadB},
        {IDC_READ_C, &CPanelDlg::OnReadC},
        {IDC_DOWN_A, &CPanelDlg::OnStepDownA},
        {IDC_DOWN_B, &CPanelDlg::OnStepDownB},
        {IDC_DOWN_C, &CPanelDlg::OnStepDownC},
        {IDC_UP_A, &CPanelDlg::OnStepUpA},
        {IDC_UP_B, &CPanelDlg::OnStepUpB},
        {IDC_UP_C, &CPanelDlg::OnStepUpC},
        {IDC_WRITE_S, &CPanelDlg::OnWriteS},
        {IDC_READ_S, &CPanelDlg::OnReadS},
    };
    static const std::pair<int, Handler> changed[] = {
        {IDC_BITS_A, &CPanelDlg::OnChangeBitsA},
        {IDC_BITS_B, &CPanelDlg::OnChangeBitsB},
        {IDC_BITS_C, &CPanelDlg::OnChangeBitsC},
    };
    for (const auto& [id, handler] : clicked) {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                [this, handler = handler] { Dispatch([this, handler] { (this->*handler)(); }); });
    }
    for (const auto& [id, handler] : changed) {
        connect(qobject_cast<QLineEdit*>(GetDlgItem(id)), &QLineEdit::textChanged, this,
                [this, handler = handler] { Dispatch([this, handler] { (this->*handler)(); }); });
    }
    for (QSlider* trackbar : {m_sliderA, m_sliderB, m_sliderC}) {
        connect(qobject_cast<controls::CTrackbar*>(trackbar), &controls::CTrackbar::scrolled, this,
                [this](int code, int position, QSlider* sender) {
                    Dispatch([this, code, position, sender] { OnHScroll(code, position, sender); });
                });
    }
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { Dispatch([this] { OnSysCommand(IDM_ABOUTBOX); }); });
}

void CPanelDlg::Dispatch(const std::function<void()>& handler)
{
    ++m_nHandlerDepth;
    handler();
    --m_nHandlerDepth;
    if (m_nHandlerDepth == 0)
        EndIfRequested();
}

void CPanelDlg::EndIfRequested()
{
    if (EndRequested())
        done(QDialog::Rejected);
}

QSlider* CPanelDlg::Trackbar(int id) const
{
    return qobject_cast<QSlider*>(GetDlgItem(id));
}

void CPanelDlg::EnableControl(int id, bool enable)
{
    GetDlgItem(id)->setEnabled(enable);
}

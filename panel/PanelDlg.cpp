#include "PanelDlg.h"

#include "BitmapButton.h"
#include "BitsCodec.h"
#include "BoardCommands.h"
#include "CurrentCode.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "ResourceIds.h"
#include "SystemMenu.h"
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
#include <algorithm>
#include <cstdio>

using namespace res;

namespace {

// A tick every 4 codes; Windows' trackbar takes a fifth of its range as a page.
constexpr int kTrackbarTickEvery = 4;
constexpr int kTrackbarPage = codec::kMaxCode / 5;

template <class Control>
Control* Take(const QMap<int, QWidget*>& built, int id)
{
    auto* control = qobject_cast<Control*>(built.value(id));
    Q_ASSERT(control);
    return control;
}

}  // namespace

CPanelDlg::CPanelDlg(board::CPortProvider& ports, const PanelSetup& setup, QWidget* parent)
    : QDialog(parent), m_setup(setup), m_link(ports, *this)
{
    m_icon.addFile(QStringLiteral(":/images/icon32.xpm"), QSize(32, 32));
    m_icon.addFile(QStringLiteral(":/images/icon16.xpm"), QSize(16, 16));
    m_link.SetTrace(setup.trace);
    // Fixed size with a minimise box, and a button of its own on the task bar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    BuildControls();
    // Nobody is to take the simulation for the board.
    if (setup.simulated)
        setWindowTitle(windowTitle() + QStringLiteral(" (simulated board)"));
    ConnectHandlers();
}

CPanelDlg::~CPanelDlg() = default;

// The dialog builder keeps the template's geometry and ids; the panel takes each control
// it works with once, as what it is.
void CPanelDlg::BuildControls()
{
    const QMap<int, QWidget*> built = controls::BuildDialog(this, MainDialogTemplate());
    m_exitButton = Take<QPushButton>(built, IDOK);
    m_enableButton = Take<QPushButton>(built, IDC_ENABLE);
    m_writeSButton = Take<QPushButton>(built, IDC_WRITE_S);
    m_readSButton = Take<QPushButton>(built, IDC_READ_S);
    const int leds[] = {IDC_LED_A1, IDC_LED_A2, IDC_LED_B1, IDC_LED_B2, IDC_LED_C1, IDC_LED_C2};
    for (size_t bit = 0; bit < m_ledBoxes.size(); ++bit)
        m_ledBoxes[bit] = Take<QCheckBox>(built, leds[bit]);
    for (size_t k = 0; k < m_channels.size(); ++k) {
        const panel::Channel& channel = panel::Channels()[k];
        m_channels[k] = {&channel,
                         Take<QPushButton>(built, channel.writeId),
                         Take<QPushButton>(built, channel.readId),
                         Take<QLineEdit>(built, channel.bitsId),
                         Take<controls::CBitmapButton>(built, channel.downId),
                         Take<controls::CBitmapButton>(built, channel.upId),
                         Take<QLabel>(built, channel.labelId),
                         Take<controls::CTrackbar>(built, channel.trackbarId),
                         {}};
    }
    m_bannerPlace = built.value(IDC_BANNER);
    ApplyChannelColours(built);
}

// Each channel's controls go to one handler that takes the channel.
void CPanelDlg::ConnectHandlers()
{
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_enableButton, &QPushButton::clicked, this, &CPanelDlg::OnEnableToggle);
    connect(m_writeSButton, &QPushButton::clicked, this, &CPanelDlg::OnWriteS);
    connect(m_readSButton, &QPushButton::clicked, this, &CPanelDlg::OnReadS);
    for (ChannelControls& channel : m_channels) {
        ChannelControls* c = &channel;
        connect(c->write, &QPushButton::clicked, this, [this, c] { OnWrite(*c); });
        connect(c->read, &QPushButton::clicked, this, [this, c] { OnRead(*c); });
        connect(c->down, &QAbstractButton::clicked, this, [this, c] { OnStep(*c, -1); });
        connect(c->up, &QAbstractButton::clicked, this, [this, c] { OnStep(*c, +1); });
        connect(c->trackbar, &controls::CTrackbar::scrolled, this, [this, c] { OnTrackbarScrolled(*c); });
        // Typed or set directly, every change of the text runs the bits edit rule at once.
        connect(c->bits, &QLineEdit::textChanged, this, [this, c] { OnBitsEdited(*c); });
    }
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &CPanelDlg::ShowAbout);
}

int CPanelDlg::DoModal()
{
    if (!StartUp())
        return QDialog::Rejected;
    return exec();
}

bool CPanelDlg::StartUp()
{
    OnInitDialog();
    return !EndRequested();
}

void CPanelDlg::OnInitDialog()
{
    panel::AppendAboutToSystemMenu(*this);
    setWindowIcon(m_icon);
    for (ChannelControls& channel : m_channels) {
        channel.trackbar->setRange(0, codec::kMaxCode);
        channel.trackbar->setTickInterval(kTrackbarTickEvery);
        channel.trackbar->setPageStep(kTrackbarPage);
    }
    LoadBanner();
    for (ChannelControls& channel : m_channels) {
        channel.up->AutoLoad();
        channel.down->AutoLoad();
    }
    const board::BoardResult search = m_link.FindBoardPort(m_setup.candidates);
    if (!search.Done())
        ReportNoBoard(search);
    m_enabled = false;
    ApplyEnableState(m_enabled);
    m_exitButton->setFocus();
}

void CPanelDlg::ApplyEnableState(bool enable)
{
    if (enable)
        EnterEnabledState();
    else
        EnterDisabledState();
}

// The channel controls stay as they were: REGISTER_S's Write unlocks them.
void CPanelDlg::EnterEnabledState()
{
    m_enableButton->setText(QStringLiteral("DISABLE"));
    for (QCheckBox* box : m_ledBoxes)
        box->setEnabled(true);
    m_writeSButton->setEnabled(true);
    m_readSButton->setEnabled(true);
    CheckSwitch(m_link.SwitchOutput(true));
}

// Shows code 0 everywhere without writing any current register.
void CPanelDlg::EnterDisabledState()
{
    m_enableButton->setText(QStringLiteral("ENABLE"));
    for (QCheckBox* box : m_ledBoxes)
        box->setEnabled(false);
    m_writeSButton->setEnabled(false);
    m_readSButton->setEnabled(false);
    for (ChannelControls& channel : m_channels) {
        EnableChannel(channel, false);
        channel.trackbar->setValue(0);
    }
    for (QCheckBox* box : m_ledBoxes)
        box->setChecked(false);
    for (ChannelControls& channel : m_channels)
        SetBitsTextDirectly(channel, codec::kBitsTemplate);
    CheckSwitch(m_link.SwitchOutput(false));
}

// The label shows only while the panel is enabled.
void CPanelDlg::EnableChannel(ChannelControls& channel, bool on)
{
    for (QWidget* control : std::initializer_list<QWidget*>{channel.write, channel.read, channel.bits, channel.down, channel.up})
        control->setEnabled(on);
    channel.current->setVisible(on && m_enabled);
    channel.trackbar->setEnabled(on);
}

void CPanelDlg::RequestEnd()
{
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()); box && box != this)
        box->reject();
    End(Ending::Cancelled);
}

// The handler that is running goes on to its end with the port closed: nothing more of it
// reaches the board.
void CPanelDlg::Check(const board::BoardResult& result)
{
    switch (result.status) {
    case board::BoardResult::Status::NotAcknowledged:
        ShowLinkMessage({});
        m_link.ClosePort();
        End(Ending::Quit);
        break;
    case board::BoardResult::Status::PortLost:
        End(Ending::Cancelled);
        break;
    case board::BoardResult::Status::Done:
    case board::BoardResult::Status::NoAnswer:
    case board::BoardResult::Status::NoBoard:
        break;
    }
}

void CPanelDlg::CheckSwitch(const board::BoardResult& result)
{
    if (result.status == board::BoardResult::Status::PortLost)
        End(Ending::Cancelled);
}

// The handler that is running goes on to its end with the panel hidden; nothing more
// reaches the board once the port is closed.
void CPanelDlg::End(Ending ending)
{
    m_ending = std::max(m_ending, ending);
    if (isVisible())
        done(QDialog::Rejected);
}

// The one message, with why each port was not taken and what to try behind "Show
// Details...", for a user who started the panel from a menu and sees no terminal; the
// same lines go to standard error.
void CPanelDlg::ReportNoBoard(const board::BoardResult& search)
{
    for (const QString& line : search.report)
        WriteDiagnostic(line);
    ShowLinkMessage(search.report.join(QLatin1Char('\n')));
    End(Ending::Quit);
}

// The link's one message, and returns once a person has seen it. With details (why no port
// was taken), it is a warning whose details are behind "Show Details...".
void CPanelDlg::ShowLinkMessage(const QString& details)
{
    const QString text = QString::fromLatin1(board::kComErrorMessage);
    if (m_showMessage) {
        m_showMessage(text, details);
        return;
    }
    QMessageBox box(details.isEmpty() ? QMessageBox::NoIcon : QMessageBox::Warning, windowTitle(), text,
                    QMessageBox::Ok, isVisible() ? this : nullptr);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

void CPanelDlg::WriteDiagnostic(const QString& line)
{
    std::fprintf(stderr, "ldx7320: %s\n", qPrintable(line));
    std::fflush(stderr);
}

void CPanelDlg::ShowAbout()
{
    if (m_runAboutBox)
        m_runAboutBox(this);
}

void CPanelDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // Where the window manager owns the title-bar menu, the About entry lives here.
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromLatin1(kAboutMenuText));
    if (menu.exec(event->globalPos()) == about)
        ShowAbout();
}

// The About command of the system menu.
bool CPanelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (panel::IsSystemMenuAbout(eventType, message)) {
        ShowAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

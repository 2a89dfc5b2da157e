// The current channels: Write and Read, the step buttons and the trackbars. The three
// channels share every step; the channel table says which controls and members to use.
#include "PanelDlg.h"

#include "BitsCodec.h"
#include "ChannelTable.h"
#include "CurrentCode.h"
#include "DialogBuilder.h"

#include <QLabel>
#include <QSlider>

using panel::Channel;
using panel::ChannelA;
using panel::ChannelB;
using panel::ChannelC;

void CPanelDlg::OnWriteA() { OnWrite(ChannelA()); }
void CPanelDlg::OnWriteB() { OnWrite(ChannelB()); }
void CPanelDlg::OnWriteC() { OnWrite(ChannelC()); }
void CPanelDlg::OnReadA() { OnRead(ChannelA()); }
void CPanelDlg::OnReadB() { OnRead(ChannelB()); }
void CPanelDlg::OnReadC() { OnRead(ChannelC()); }
void CPanelDlg::OnStepDownA() { OnStep(ChannelA(), -1); }
void CPanelDlg::OnStepDownB() { OnStep(ChannelB(), -1); }
void CPanelDlg::OnStepDownC() { OnStep(ChannelC(), -1); }
void CPanelDlg::OnStepUpA() { OnStep(ChannelA(), +1); }
void CPanelDlg::OnStepUpB() { OnStep(ChannelB(), +1); }
void CPanelDlg::OnStepUpC() { OnStep(ChannelC(), +1); }

// Writes the code typed in the channel's bits field. A text that is not a complete bits
// text (a digit still missing, digits out of place) would read as a value far outside
// 0..63, so it is not written and nothing changes.
void CPanelDlg::OnWrite(const Channel& channel)
{
    const QByteArray& typed = this->*channel.bits;
    if (!codec::IsWellFormedBits(typed))
        return;
    const int code = BitsToValue(typed);
    Trackbar(channel.trackbarId)->setValue(code);
    SetCurrentText(channel, code);
    ShowCurrentText(channel);
    GetDlgItem(channel.labelId)->setVisible(m_bEnabled);
    WriteCurrent(channel, code);
}

void CPanelDlg::OnRead(const Channel& channel)
{
    if (!(m_nLedState & channel.mask))
        return;
    m_link.ReadRegister(channel.registerIndex);
    const int code = m_link.m_byReply & codec::kCodeMask;
    RefreshBits(channel, code);
    SetCurrentText(channel, code);
    ShowCurrentText(channel);
    Trackbar(channel.trackbarId)->setValue(code);
}

// Steps from the trackbar's position, not from the chip or the bits field.
void CPanelDlg::OnStep(const Channel& channel, int step)
{
    const int from = Trackbar(channel.trackbarId)->sliderPosition();
    const int code = from + step;
    if (code < 0 || code > codec::kMaxCode)
        return;
    Trackbar(channel.trackbarId)->setValue(code);
    SetCurrentText(channel, code);
    if (m_bEnabled)
        ShowCurrentText(channel);
    WriteCurrent(channel, code);
    RefreshBits(channel, code);
}

// Every notification of a trackbar is a current write, whatever its scroll code.
void CPanelDlg::OnHScroll(int, int, QWidget* pScrollBar)
{
    const Channel* channel = panel::ChannelOfTrackbar(controls::ControlId(pScrollBar));
    if (!channel)
        return;
    const int code = Trackbar(channel->trackbarId)->sliderPosition();
    SetCurrentText(*channel, code);
    if (m_bEnabled)
        ShowCurrentText(*channel);
    WriteCurrent(*channel, code);
    RefreshBits(*channel, code);
}

void CPanelDlg::SetCurrentText(const Channel& channel, int code)
{
    this->*channel.current = panel::CurrentText(code);
}

void CPanelDlg::ShowCurrentText(const Channel& channel)
{
    qobject_cast<QLabel*>(GetDlgItem(channel.labelId))->setText(this->*channel.current);
}

// After every current change the chip's REGISTER_S is read and written back as read.
void CPanelDlg::WriteCurrent(const Channel& channel, int code)
{
    m_link.WriteCurrent(channel.registerIndex, code);
}

void CPanelDlg::RefreshBits(const Channel& channel, int code)
{
    ValueToBits(code);
    this->*channel.bits = m_strBits;
    UpdateData(false);
}

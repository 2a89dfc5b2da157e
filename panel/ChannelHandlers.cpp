// The current channels: Write and Read, the step buttons and the trackbars. The three
// channels share every step; the channel table says which register and mask to use.
#include "PanelDlg.h"

#include "BitmapButton.h"
#include "BitsCodec.h"
#include "BitsFieldText.h"
#include "CurrentCode.h"
#include "Trackbar.h"

#include <QLabel>
#include <QLineEdit>

// Writes the code typed in the channel's bits field. A text that is not a complete bits
// text (a digit still missing, digits out of place) would read as a value far outside
// 0..63, so it is not written and nothing changes.
void CPanelDlg::OnWrite(ChannelControls& channel)
{
    const QByteArray typed = controls::ToBitsText(channel.bits->text());
    if (!codec::IsWellFormedBits(typed))
        return;
    const int code = codec::BitsToValue(typed);
    channel.trackbar->setValue(code);
    channel.current->setText(panel::CurrentText(code));
    channel.current->setVisible(m_enabled);
    WriteCurrent(channel, code);
}

// Reads only while one of the channel's boxes is ticked; a silent board reads as 0.
void CPanelDlg::OnRead(ChannelControls& channel)
{
    if (!(LedState() & channel.channel->mask))
        return;
    const board::BoardResult read = m_link.ReadRegister(channel.channel->registerIndex);
    Check(read);
    const int code = read.value.value_or(0) & codec::kCodeMask;
    RefreshBits(channel, code);
    channel.current->setText(panel::CurrentText(code));
    channel.trackbar->setValue(code);
}

// Steps from the trackbar's position, not from the chip or the bits field.
void CPanelDlg::OnStep(ChannelControls& channel, int step)
{
    const int code = channel.trackbar->sliderPosition() + step;
    if (code < 0 || code > codec::kMaxCode)
        return;
    channel.trackbar->setValue(code);
    ShowCurrentIfEnabled(channel, code);
    WriteCurrent(channel, code);
    RefreshBits(channel, code);
}

// Every notification of a trackbar is a current write, whatever its scroll code.
void CPanelDlg::OnTrackbarScrolled(ChannelControls& channel)
{
    const int code = channel.trackbar->sliderPosition();
    ShowCurrentIfEnabled(channel, code);
    WriteCurrent(channel, code);
    RefreshBits(channel, code);
}

void CPanelDlg::ShowCurrentIfEnabled(ChannelControls& channel, int code)
{
    if (m_enabled)
        channel.current->setText(panel::CurrentText(code));
}

// After every current change the chip's REGISTER_S is read and written back as read.
void CPanelDlg::WriteCurrent(ChannelControls& channel, int code)
{
    Check(m_link.WriteCurrent(channel.channel->registerIndex, code));
}

// The field shows the code without the bits edit rule running on it: the last accepted
// text stays what the user last had accepted.
void CPanelDlg::RefreshBits(ChannelControls& channel, int code)
{
    const QByteArray bits = codec::ValueToBits(code);
    if (controls::ToBitsText(channel.bits->text()) != bits)
        controls::SetFieldTextQuietly(channel.bits, bits);
}

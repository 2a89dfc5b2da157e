// The three bits fields: every change of a field's text, typed or set directly, runs the
// bits edit rule for that field.
#include "PanelDlg.h"

#include "BitsCodec.h"
#include "ChannelTable.h"

using panel::Channel;

void CPanelDlg::OnChangeBitsA() { OnChangeBits(panel::ChannelA()); }
void CPanelDlg::OnChangeBitsB() { OnChangeBits(panel::ChannelB()); }
void CPanelDlg::OnChangeBitsC() { OnChangeBits(panel::ChannelC()); }

// Reads all three fields, repairs or restores this one, writes all three back.
void CPanelDlg::OnChangeBits(const Channel& channel)
{
    UpdateData(true);
    const codec::BitsEdit edit = codec::ApplyBitsEditRule(this->*channel.bits, this->*channel.goodBits);
    this->*channel.bits = edit.text;
    this->*channel.goodBits = edit.lastAccepted;
    UpdateData(false);
}

void CPanelDlg::ValueToBits(int code)
{
    m_strBits = codec::ValueToBits(code);
}

int CPanelDlg::BitsToValue(const QByteArray& text) const
{
    return codec::BitsToValue(text);
}

void CPanelDlg::NormaliseBits(const QByteArray& text)
{
    m_strBits = codec::NormaliseBits(text);
}

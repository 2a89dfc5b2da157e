// ENABLE/DISABLE, the six LED boxes, and REGISTER_S's Write and Read.
#include "PanelDlg.h"

#include "BoardCommands.h"
#include "ChannelTable.h"
#include "ResourceIds.h"

#include <QCheckBox>
#include <QSlider>

using namespace res;
using panel::Channel;
using panel::Channels;

void CPanelDlg::OnEnableToggle()
{
    m_bEnabled = !m_bEnabled;
    ApplyEnableState(m_bEnabled);
    // The labels keep the text of code 0; they stay hidden, since m_nLedState is 0
    // whenever the panel has just been switched.
    for (const Channel& channel : Channels())
        ShowCurrentText(channel);
}

// Each box only keeps its bit of REGISTER_S; nothing reaches the board until Write.
void CPanelDlg::OnLedA1() { OnLed(0x01, IDC_LED_A1); }
void CPanelDlg::OnLedA2() { OnLed(0x02, IDC_LED_A2); }
void CPanelDlg::OnLedB1() { OnLed(0x04, IDC_LED_B1); }
void CPanelDlg::OnLedB2() { OnLed(0x08, IDC_LED_B2); }
void CPanelDlg::OnLedC1() { OnLed(0x10, IDC_LED_C1); }
void CPanelDlg::OnLedC2() { OnLed(0x20, IDC_LED_C2); }

void CPanelDlg::OnLed(int bit, int id)
{
    if (qobject_cast<QCheckBox*>(GetDlgItem(id))->isChecked())
        m_nLedState |= bit;
    else
        m_nLedState &= ~bit;
}

// The controls follow the boxes as they are now, then the chip is told.
void CPanelDlg::OnWriteS()
{
    for (const Channel& channel : Channels()) {
        const bool on = (m_nLedState & channel.mask) != 0;
        for (int id : {channel.writeId, channel.readId, channel.bitsId, channel.downId, channel.upId})
            EnableControl(id, on);
        GetDlgItem(channel.labelId)->setVisible(on && m_bEnabled);
        EnableControl(channel.trackbarId, on);
    }
    m_link.WriteRegister(board::REGISTER_S, m_nLedState);
}

void CPanelDlg::OnReadS()
{
    m_link.ReadRegister(board::REGISTER_S);
    m_nLedState = m_link.m_byReply & board::kLedBitsMask;
    // m_chkLed runs from LED_C2 (bit 5) down to LED_A1 (bit 0).
    int bit = 0x20;
    for (QCheckBox* box : m_chkLed) {
        box->setChecked(m_nLedState & bit);
        bit >>= 1;
    }
}

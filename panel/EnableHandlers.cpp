// ENABLE/DISABLE, and REGISTER_S's Write and Read. The six LED boxes need no handler of
// their own: ticked or not, they are the REGISTER_S value the panel writes, and nothing
// reaches the board until Write.
#include "PanelDlg.h"

#include "BoardCommands.h"

#include <QCheckBox>
#include <QLabel>

void CPanelDlg::OnEnableToggle()
{
    m_enabled = !m_enabled;
    ApplyEnableState(m_enabled);
    // The labels take the text of code 0; they stay hidden, since no box is ticked right
    // after a switch.
    for (ChannelControls& channel : m_channels) {
        channel.current->setText(panel::CurrentText(0));
        channel.current->setVisible((LedState() & channel.channel->mask) && m_enabled);
    }
}

int CPanelDlg::LedState() const
{
    int bits = 0;
    for (size_t bit = 0; bit < m_ledBoxes.size(); ++bit)
        bits |= m_ledBoxes[bit]->isChecked() ? 1 << bit : 0;
    return bits;
}

// The controls follow the boxes as they are now, then the chip is told.
void CPanelDlg::OnWriteS()
{
    const int leds = LedState();
    for (ChannelControls& channel : m_channels)
        EnableChannel(channel, (leds & channel.channel->mask) != 0);
    Check(m_link.WriteRegister(board::REGISTER_S, leds));
}

// Loads the boxes from the chip and changes nothing else; a silent board reads as 0.
void CPanelDlg::OnReadS()
{
    const board::BoardResult read = m_link.ReadRegister(board::REGISTER_S);
    Check(read);
    const int leds = read.value.value_or(0) & board::kLedBitsMask;
    for (size_t bit = 0; bit < m_ledBoxes.size(); ++bit)
        m_ledBoxes[bit]->setChecked(leds & (1 << bit));
}

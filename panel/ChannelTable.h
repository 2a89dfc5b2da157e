// The three current channels as data: everything that tells channel A, B and C apart.
// Every channel handler takes one of these rows; there is no per-channel code.
#pragma once

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <array>

class CPanelDlg;

namespace panel {

struct Channel {
    char letter;
    int registerIndex;
    int mask;  // the channel's two LED bits in REGISTER_S
    // Controls, in the order in which REGISTER_S's Write enables them.
    int writeId, readId, bitsId, downId, upId;
    int labelId;
    int trackbarId;
    // Controls drawn in the channel's colour.
    int groupId, captionId, firstLedId, secondLedId;
    QRgb colour;
    // The channel's members of the panel.
    QString CPanelDlg::*current;
    QByteArray CPanelDlg::*bits;
    QByteArray CPanelDlg::*goodBits;
};

// A, B, C.
const std::array<Channel, 3>& Channels();
const Channel& ChannelA();
const Channel& ChannelB();
const Channel& ChannelC();
// The channel a trackbar belongs to, or nullptr for any other control.
const Channel* ChannelOfTrackbar(int controlId);

// The current label's text for a code: "LED current : 19.0 mA".
QString CurrentText(int code);

}  // namespace panel

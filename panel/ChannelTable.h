// The three current channels as data: everything that tells channel A, B and C apart.
// The panel's channel handlers take a channel; there is no per-channel code.
#pragma once

#include <QRgb>
#include <QString>
#include <array>

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
};

// A, B, C.
const std::array<Channel, 3>& Channels();

// The current label's text for a code: "LED current : 19.0 mA".
QString CurrentText(int code);

}  // namespace panel

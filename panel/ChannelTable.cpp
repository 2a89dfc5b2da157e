#include "ChannelTable.h"

#include "BoardCommands.h"
#include "CurrentCode.h"
#include "ResourceIds.h"

namespace panel {

using namespace res;

const std::array<Channel, 3>& Channels()
{
    static const std::array<Channel, 3> channels{{
        {'A', board::REGISTER_A, board::ChannelMask(board::REGISTER_A),
         IDC_WRITE_A, IDC_READ_A, IDC_BITS_A, IDC_DOWN_A, IDC_UP_A, IDC_CURRENT_A, IDC_SLIDER1,
         IDC_GROUP_A, IDC_CAPTION_A, IDC_LED_A1, IDC_LED_A2, qRgb(214, 52, 29)},
        {'B', board::REGISTER_B, board::ChannelMask(board::REGISTER_B),
         IDC_WRITE_B, IDC_READ_B, IDC_BITS_B, IDC_DOWN_B, IDC_UP_B, IDC_CURRENT_B, IDC_SLIDER2,
         IDC_GROUP_B, IDC_CAPTION_B, IDC_LED_B1, IDC_LED_B2, qRgb(0, 125, 30)},
        {'C', board::REGISTER_C, board::ChannelMask(board::REGISTER_C),
         IDC_WRITE_C, IDC_READ_C, IDC_BITS_C, IDC_DOWN_C, IDC_UP_C, IDC_CURRENT_C, IDC_SLIDER3,
         IDC_GROUP_C, IDC_CAPTION_C, IDC_LED_C1, IDC_LED_C2, qRgb(0, 0, 255)},
    }};
    return channels;
}

QString CurrentText(int code)
{
    return QStringLiteral("LED current : ") + codec::CurrentNumberText(code) + QStringLiteral(" mA");
}

}  // namespace panel

// Identifiers of the program's controls and commands.
#pragma once

namespace res {

// The system menu's About command.
inline constexpr int IDM_ABOUTBOX = 0x0010;

inline constexpr int IDOK = 1;
inline constexpr int IDC_STATIC = -1;

// Controls of IDD_MAIN
inline constexpr int IDC_SLIDER1 = 1000;
inline constexpr int IDC_SLIDER2 = 1001;
inline constexpr int IDC_SLIDER3 = 1002;
inline constexpr int IDC_LED_A1 = 1003;
inline constexpr int IDC_LED_A2 = 1004;
inline constexpr int IDC_LED_B1 = 1005;
inline constexpr int IDC_LED_B2 = 1006;
inline constexpr int IDC_LED_C1 = 1007;
inline constexpr int IDC_LED_C2 = 1008;
inline constexpr int IDC_BANNER = 1009;
inline constexpr int IDC_ENABLE = 1010;
inline constexpr int IDC_GROUP_S = 1011;
inline constexpr int IDC_GROUP_A = 1016;
inline constexpr int IDC_GROUP_B = 1017;
inline constexpr int IDC_GROUP_C = 1018;
inline constexpr int IDC_CURRENT_A = 1019;
inline constexpr int IDC_CAPTION_A = 1023;
inline constexpr int IDC_CAPTION_B = 1024;
inline constexpr int IDC_CAPTION_C = 1025;
inline constexpr int IDC_CURRENT_B = 1026;
inline constexpr int IDC_CURRENT_C = 1027;
inline constexpr int IDC_BIT7_A = 1028;
inline constexpr int IDC_BIT0_A = 1029;
inline constexpr int IDC_BIT7_B = 1030;
inline constexpr int IDC_BIT0_B = 1031;
inline constexpr int IDC_BIT7_C = 1032;
inline constexpr int IDC_BIT0_C = 1033;
inline constexpr int IDC_BITS_A = 1039;
inline constexpr int IDC_BITS_B = 1040;
inline constexpr int IDC_BITS_C = 1041;
inline constexpr int IDC_WRITE_A = 1042;
inline constexpr int IDC_READ_A = 1043;
inline constexpr int IDC_DOWN_A = 1044;
inline constexpr int IDC_UP_A = 1045;
inline constexpr int IDC_WRITE_B = 1046;
inline constexpr int IDC_READ_B = 1047;
inline constexpr int IDC_WRITE_C = 1048;
inline constexpr int IDC_READ_C = 1049;
inline constexpr int IDC_UP_B = 1050;
inline constexpr int IDC_UP_C = 1051;
inline constexpr int IDC_DOWN_B = 1052;
inline constexpr int IDC_DOWN_C = 1053;
inline constexpr int IDC_WRITE_S = 1055;
inline constexpr int IDC_READ_S = 1056;

// The About command's text, in the system menu and the right-click menu.
inline constexpr char kAboutMenuText[] = "&About LDX7320...";

}  // namespace res

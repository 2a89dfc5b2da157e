#include "DialogTemplates.h"

#include "ResourceIds.h"
#include "Version.h"

namespace res {

using K = ControlKind;

const DialogTemplate& MainDialogTemplate()
{
    static const DialogTemplate dialog{
        "LDX7320", "Arial", 9, 401, 229,
        {
            {IDOK, "IDOK", K::DefPushButton, " EXIT", 337, 7, 50, 14, true},
            {IDC_SLIDER1, "IDC_SLIDER1", K::Trackbar, "Slider1", 224, 94, 149, 14, true},
            {IDC_SLIDER2, "IDC_SLIDER2", K::Trackbar, "Slider2", 224, 143, 149, 14, true},
            {IDC_SLIDER3, "IDC_SLIDER3", K::Trackbar, "Slider3", 224, 195, 149, 15, true},
            {IDC_GROUP_S, "IDC_GROUP_S", K::GroupBox, "REGISTER_S ( LEDs On / Off State )", 6, 44, 387, 27, false},
            {IDC_LED_A1, "IDC_LED_A1", K::AutoCheckBox, "LED_A1", 13, 56, 41, 10, true},
            {IDC_LED_A2, "IDC_LED_A2", K::AutoCheckBox, "LED_A2", 60, 56, 41, 10, true},
            {IDC_LED_B1, "IDC_LED_B1", K::AutoCheckBox, "LED_B1", 117, 56, 41, 10, true},
            {IDC_LED_B2, "IDC_LED_B2", K::AutoCheckBox, "LED_B2", 165, 56, 41, 10, true},
            {IDC_LED_C1, "IDC_LED_C1", K::AutoCheckBox, "LED_C1", 222, 56, 41, 10, true},
            {IDC_LED_C2, "IDC_LED_C2", K::AutoCheckBox, "LED_C2", 271, 56, 41, 10, true},
            {IDC_BANNER, "IDC_BANNER", K::BitmapStatic, "", 9, 5, 13, 11, false},
            {IDC_GROUP_A, "IDC_GROUP_A", K::GroupBox, "REGISTER_A  ( A1, A2 LED channels )", 6, 73, 388, 49, false},
            {IDC_GROUP_B, "IDC_GROUP_B", K::GroupBox, "REGISTER_B  ( B1, B2 LED channels )", 6, 124, 388, 49, false},
            {IDC_GROUP_C, "IDC_GROUP_C", K::GroupBox, "REGISTER_C  ( C1, C2 LED channels )", 6, 175, 388, 49, false},
            {IDC_CURRENT_A, "IDC_CURRENT_A", K::StaticCentreV, "", 127, 96, 74, 13, false},
            {IDC_BIT7_A, "IDC_BIT7_A", K::StaticCentreV, "7", 20, 83, 8, 8, false},
            {IDC_BIT7_B, "IDC_BIT7_B", K::Static, "7", 20, 134, 8, 8, false},
            {IDC_BIT7_C, "IDC_BIT7_C", K::Static, "7", 19, 186, 8, 8, false},
            {IDC_BIT0_A, "IDC_BIT0_A", K::Static, "0", 74, 83, 8, 8, false},
            {IDC_BIT0_B, "IDC_BIT0_B", K::Static, "0", 74, 134, 8, 8, false},
            {IDC_BIT0_C, "IDC_BIT0_C", K::Static, "0", 73, 186, 8, 8, false},
            {IDC_CURRENT_B, "IDC_CURRENT_B", K::Static, "", 127, 147, 74, 13, false},
            {IDC_CURRENT_C, "IDC_CURRENT_C", K::Static, "", 127, 199, 74, 13, false},
            {IDC_CAPTION_A, "IDC_CAPTION_A", K::Static, "A1, A2 LEDs current setting", 260, 81, 96, 8, false},
            {IDC_CAPTION_B, "IDC_CAPTION_B", K::Static, "B1, B2 LEDs current setting", 260, 132, 96, 8, false},
            {IDC_CAPTION_C, "IDC_CAPTION_C", K::Static, "C1, C2 LEDs current setting", 260, 184, 96, 8, false},
            {IDC_ENABLE, "IDC_ENABLE", K::PushButton, "DISABLE", 341, 30, 44, 12, true},
            {IDC_BITS_A, "IDC_BITS_A", K::Edit, "", 13, 95, 71, 12, true},
            {IDC_BITS_B, "IDC_BITS_B", K::Edit, "", 13, 146, 71, 12, true},
            {IDC_BITS_C, "IDC_BITS_C", K::Edit, "", 13, 198, 71, 12, true},
            {IDC_WRITE_A, "IDC_WRITE_A", K::PushButton, "Write", 94, 88, 23, 9, true},
            {IDC_READ_A, "IDC_READ_A", K::PushButton, "Read", 94, 106, 23, 9, true},
            {IDC_DOWN_A, "IDC_DOWN_A", K::OwnerDrawButton, "DN11", 206, 98, 14, 11, true},
            {IDC_UP_A, "IDC_UP_A", K::OwnerDrawButton, "DN1", 375, 98, 14, 11, true},
            {IDC_WRITE_B, "IDC_WRITE_B", K::PushButton, "Write", 94, 138, 23, 9, true},
            {IDC_READ_B, "IDC_READ_B", K::PushButton, "Read", 94, 156, 23, 9, true},
            {IDC_WRITE_C, "IDC_WRITE_C", K::PushButton, "Write", 94, 190, 23, 9, true},
            {IDC_READ_C, "IDC_READ_C", K::PushButton, "Read", 94, 208, 23, 9, true},
            {IDC_UP_B, "IDC_UP_B", K::OwnerDrawButton, "DN2", 375, 147, 14, 11, true},
            {IDC_UP_C, "IDC_UP_C", K::OwnerDrawButton, "DN3", 375, 200, 14, 11, true},
            {IDC_DOWN_B, "IDC_DOWN_B", K::OwnerDrawButton, "DN22", 206, 147, 14, 11, true},
            {IDC_DOWN_C, "IDC_DOWN_C", K::OwnerDrawButton, "DN33", 206, 200, 14, 11, true},
            {IDC_WRITE_S, "IDC_WRITE_S", K::PushButton, "Write", 325, 56, 23, 9, true},
            {IDC_READ_S, "IDC_READ_S", K::PushButton, "Read", 362, 56, 23, 9, true},
        },
    };
    return dialog;
}

const DialogTemplate& AboutDialogTemplate()
{
    static const DialogTemplate dialog{
        "About LDX7320", "MS Sans Serif", 8, 235, 55,
        {
            {IDC_STATIC, "IDR_MAINFRAME", K::IconStatic, "", 11, 17, 20, 20, false},
            {IDC_STATIC, "IDC_VERSION", K::Static, "LDX7320 Version " LDX_VERSION_MAJOR_MINOR, 40, 10, 119, 8, false},
            {IDC_STATIC, "IDC_NOTICE", K::Static, "Copyright (C) 2026", 40, 25, 119, 8, false},
            {IDOK, "IDOK", K::DefPushButton, "OK", 178, 7, 50, 14, true},
        },
    };
    return dialog;
}

}  // namespace res

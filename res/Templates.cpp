#include "res/Templates.h"

#include "res/Resource.h"

using K = ControlKind;

const DialogTemplate &MainDialogTemplate()
{
    static const DialogTemplate t{
        IDD_CAPTURE_DIALOG,
        "Tombrello",
        8,
        244,
        156,
        true,
        {
            {IDC_OUTPUT_EDIT, K::Edit, "", 7, 101, 157, 14, CS_TABSTOP},
            {IDC_RECORD, K::PushButton, "Record", 7, 6, 66, 14, CS_TABSTOP},
            {IDC_PAUSE, K::PushButton, "Pause", 87, 6, 66, 14, CS_TABSTOP},
            {IDC_STOP, K::PushButton, "Stop", 167, 6, 66, 14, CS_TABSTOP},
            {IDC_PLAY, K::PushButton, "Play", 169, 83, 66, 14, CS_TABSTOP},
            {IDC_INPUT_LABEL, K::Static, "Select an Input Device", 7, 28, 107, 8, CS_GROUP},
            {IDC_STATUS, K::Static, "Status : Ready", 7, 146, 228, 10, CS_GROUP | CS_SUNKEN},
            {IDC_OUTPUT_LABEL, K::Static, "Output:", 8, 88, 53, 8, CS_GROUP},
            {IDC_DEVICE_COMBO, K::Combo, "", 130, 42, 106, 49, CS_TABSTOP},
            {IDC_INPUT_COMBO, K::Combo, "", 7, 42, 110, 97, CS_TABSTOP},
            {IDC_VOLUME_SLIDER, K::Trackbar, "", 39, 64, 174, 15, CS_TABSTOP},
            {IDC_BROWSE, K::PushButton, "Browse", 169, 101, 66, 14, CS_TABSTOP},
            {IDC_DEVICE_LABEL, K::Static, "Select a Sound Device", 130, 28, 105, 10, CS_GROUP},
            {IDC_HOMEPAGE, K::PushButton, "Homepage", 217, 79, 12, 14, CS_TABSTOP},
            {IDC_ABOUT, K::PushButton, "About", 216, 81, 22, 14, CS_TABSTOP},
            {IDC_HELP_BUTTON, K::PushButton, "Help", 86, 124, 66, 14, CS_TABSTOP},
            {IDC_VOLUME_LABEL, K::Static, "Volume:", 7, 67, 31, 8, CS_GROUP},
            {IDC_MAX_LABEL, K::Static, "Max", 218, 66, 16, 8, CS_GROUP},
            {IDC_EXIT, K::PushButton, "Exit", 167, 124, 66, 14, CS_TABSTOP},
        },
    };
    return t;
}

const DialogTemplate &AboutDialogTemplate()
{
    static const DialogTemplate t{
        IDD_ABOUTBOX,
        "About",
        8,
        256,
        150,
        false,
        {
            {IDC_STATIC, K::Icon, "", 12, 18, 20, 20, CS_NONE},
            {IDC_STATIC, K::Static, "Tombrello", 47, 8, 202, 8, CS_GROUP | CS_NOPREFIX},
            {IDC_STATIC, K::Static, "Version 1.0   Copyright (C) 2026 Zorbane Audio", 47, 24, 190, 8, CS_GROUP},
            {IDOK_CONTROL, K::DefPushButton, "OK", 102, 129, 50, 14, CS_TABSTOP | CS_GROUP},
            {IDC_WEB_ADDRESS, K::Static, "https://tombrello.example.org/", 47, 59, 151, 8, CS_GROUP},
            {IDC_CONTACT, K::Static, "Email: https://tombrello.example.org/contact", 47, 75, 156, 8, CS_GROUP},
            {IDC_STATIC, K::Static,
             "Portions of this program use the GStreamer multimedia framework, the FFmpeg codecs "
             "(through gst-libav) and the PulseAudio sound server interface.",
             47, 91, 202, 28, CS_GROUP},
            {IDC_STATIC, K::Static, "Zorbane Audio", 47, 40, 201, 11, CS_GROUP},
        },
    };
    return t;
}

const DialogTemplate &InputHintTemplate()
{
    static const DialogTemplate t{
        IDD_INPUT_HINT,
        "How to select an input device",
        8,
        237,
        183,
        false,
        {
            {IDOK_CONTROL, K::DefPushButton, "OK", 94, 163, 50, 14, CS_TABSTOP},
            {IDC_STATIC, K::Static,
             "1. If you want to record sound from other windows applications, please select an input device with "
             "\"Wave Out Mix\", which might appear as \"Stereo Mixer\", \"What U Hear\", \"Output\", \"Mixer\", "
             "\"Wave\".",
             7, 7, 223, 28, CS_GROUP},
            {IDC_STATIC, K::Static,
             "2. If you want to record sound from microphone, Please select an input device with \"Microphone\". "
             "And make sure the microphone is connected to the Microphone port of sound card.",
             7, 59, 223, 35, CS_GROUP},
            {IDC_STATIC, K::Static,
             "3. If you want to record sound from cassette type, video type, radio, walkman, etc., please select an "
             "input device with \"Line In\". And make sure the device is connected to the Line In port of sound "
             "card.",
             7, 95, 223, 36, CS_GROUP},
            {IDC_ONLY_ONCE, K::AutoCheckBox, "Do not show the message in the future", 7, 147, 223, 10, CS_TABSTOP},
            {IDC_STATIC, K::Static, "For more details, please read help.", 7, 133, 223, 8, CS_GROUP},
            {IDC_STATIC, K::Static,
             "(When the program launches at the first time, it will select the item as possible as it can. If not, "
             "please select it manually.)",
             7, 35, 223, 21, CS_GROUP},
        },
    };
    return t;
}

QString LoadString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Tombrello");
    default:
        return {};
    }
}

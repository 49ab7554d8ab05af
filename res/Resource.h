// Resource identifiers: dialogs, controls, strings, icon and bitmap.
#pragma once

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_CAPTURE_DIALOG = 102;
constexpr int IDD_INPUT_HINT = 144;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDI_APPICON = 103;
constexpr int IDB_BUTTONFACE = 145;
constexpr unsigned IDM_ABOUTBOX = 0x0010;

constexpr int IDC_STATIC = -1;
constexpr int IDOK_CONTROL = 1; // IDOK as a control id
constexpr int IDCANCEL_CONTROL = 2;
constexpr int IDC_PLAY = 1001;
constexpr int IDC_PAUSE = 1002;
constexpr int IDC_STOP = 1003;
constexpr int IDC_RECORD = 1004;
constexpr int IDC_OUTPUT_EDIT = 1008;
constexpr int IDC_DEVICE_COMBO = 1009;
constexpr int IDC_INPUT_COMBO = 1011;
constexpr int IDC_STATUS = 1035;
constexpr int IDC_VOLUME_SLIDER = 1038;
constexpr int IDC_BROWSE = 1039;
constexpr int IDC_DEVICE_LABEL = 1040;
constexpr int IDC_HOMEPAGE = 1046;
constexpr int IDC_ABOUT = 1047;
constexpr int IDC_HELP_BUTTON = 1048;
constexpr int IDC_WEB_ADDRESS = 1049;
constexpr int IDC_CONTACT = 1050;
constexpr int IDC_INPUT_LABEL = 1051;
constexpr int IDC_VOLUME_LABEL = 1052;
constexpr int IDC_MAX_LABEL = 1053;
constexpr int IDC_OUTPUT_LABEL = 1054;
constexpr int IDC_ONLY_ONCE = 1055;
constexpr int IDC_EXIT = 1056;

// Resource paths in the Qt resource system.
inline constexpr const char *kButtonFaceResource = ":/images/buttonface.png";
inline constexpr const char *kAppIconResource = ":/images/tombrello.png";

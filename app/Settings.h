// Names, defaults and writers of everything the program keeps between
// runs, and the process-wide values shared by the engine and the dialog.
#pragma once

#include <QString>

// Profile section and values (in ~/.config/ZORBANE/<application name>.conf).
inline const QString kSectionOption = QStringLiteral("Option");
inline const QString kEntrySoundCaptureIndex = QStringLiteral("nSoundCaptureIndex");
inline const QString kEntryCapturePinIndex = QStringLiteral("nCapturePinIndex");
inline const QString kEntrySearchFlag = QStringLiteral("nSearchFlag");
inline const QString kEntryOutputFile = QStringLiteral("output_wav_file");
inline const QString kEntryOnlyOnce = QStringLiteral("b_only_once");
// The player Play prefers over the desktop's association (a program name or path).
inline const QString kEntryPlayer = QStringLiteral("player");

// Hand-off to the encoder filter: QSettings("ZORBANE", "TOMBRELLO"), each
// subkey's "Default" value.
inline const QString kHandOffOrganization = QStringLiteral("ZORBANE");
inline const QString kHandOffApplication = QStringLiteral("TOMBRELLO");
inline const QString kHandOffOutputName = QStringLiteral("OutputWMAName");
inline const QString kHandOffOutputWave = QStringLiteral("OUTPUTWAVE");

extern int g_nSoundCaptureIndex;
extern int g_nCapturePinIndex;
extern int g_nSearchFlag;

// Writes one hand-off key's default value; false when it could not be written.
bool WriteHandOffKey(const QString &subkey, const QString &value);
QString ReadHandOffKey(const QString &subkey);

// The temporary recording file: "zephtemp.wav" in a folder only this user
// can enter ($XDG_RUNTIME_DIR/tombrello, else ~/.cache/tombrello, mode 0700).
// A fixed name in a shared temporary folder could be planted as a link by
// another user and the recording would then overwrite that link's target.
// Empty when no such folder can be made.
QString TempRecordingPath();

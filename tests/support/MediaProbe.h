// What ffprobe and ffmpeg say of a recorded file.
#pragma once

#include <QString>

struct MediaInfo {
    bool ok = false;
    QString format; // e.g. "asf", "wav"
    QString codec;  // e.g. "wmav2", "pcm_s16le"
    double duration = 0.0;
    int sampleRate = 0;
    int channels = 0;
};

MediaInfo Probe(const QString &file);
// Mean volume of the decoded audio in dB (ffmpeg volumedetect); -91 and
// below is digital silence. NaN when the file cannot be decoded.
double MeanVolume(const QString &file);
// Seconds of audio when decoded in full (samples / rate).
double DecodedSeconds(const QString &file);

// A capture filter for tests that need no sound server: a live sine tone on
// one output pin "Capture", like a capture device's.
#pragma once

#include "platform/media/GstFilter.h"

struct ToneSpec {
    int rate = 44100;
    int channels = 2;
    double frequency = 440.0;
    // After this many buffers the tone ends (end of stream); -1: never.
    int buffers = -1;
    // Length of each buffer.
    int bufferMs = 10;
    // The first buffer comes this long after the start, as from a capture
    // that takes its time to begin.
    int firstBufferMs = 0;
};

// A new tone filter (one reference).
ComPtr<IBaseFilter> MakeToneFilter(const ToneSpec &spec = {});

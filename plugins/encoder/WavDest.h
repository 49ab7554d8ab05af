// The "WAV Dest" encoder filter: input pin "In" takes the capture; output
// pin "Out" passes it on as a WAV stream (for the File Writer's temporary
// copy) while the filter itself writes the finished recording.
#pragma once

#include "platform/media/Interfaces.h"

// The output file and its format come from the program's hand-off keys,
// read once here: see WavDest.cpp.
HRESULT CreateWavDest(REFIID riid, void **ppv);

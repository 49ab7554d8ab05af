// The capture filter of one sound-server device: a bin around a pulsesrc
// whose output pin ("Capture") delivers the enabled input line, and one input
// pin per line answering IAMAudioInputMixer. Input pins carry no data, so
// they have no pad. Created, used and released on the UI thread.
//
// Device loss: the filter reports EC_DEVICE_LOST (param1 = the filter,
// param2 0) to its graph once when its device leaves the server or when the
// server moves the recording stream to another source, and drops every
// buffer from then on (events still pass, so files can be finished). When the
// device comes back it reports param2 1 once; devicewatch then skips this
// graph for that return. Dropping ends when a stream runs on the enabled
// line's source again (a new run after the return).
#pragma once

#include "platform/media/Interfaces.h"
#include "platform/pulse/DeviceCatalog.h"

namespace pulse {

HRESULT CreateCaptureFilter(const CaptureDevice &device, REFIID riid, void **ppv);

} // namespace pulse

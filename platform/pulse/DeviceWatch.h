// Watches the sound server for capture devices that left and come back.
// Everything here runs on the UI thread; the sound server's own thread
// reaches it only through queued calls.
#pragma once

#include "platform/media/Interfaces.h"

#include <string>

namespace devicewatch {

// Graphs that want to hear of a lost device's return register here: when a
// device given to WatchForReturn reappears on the server, every registered
// graph is told EC_DEVICE_LOST with param2 = 1, once for that return.
void AddGraph(IMediaEventSink *graph);
void RemoveGraph(IMediaEventSink *graph);

// Remembers a device (by its stable key) that was lost, so that its return
// is announced even after the graph that held it is gone.
void WatchForReturn(const std::string &deviceKey);

// Called by the server watcher when a device key (re)appears.
void DeviceAppeared(const std::string &deviceKey);

// A graph holding a bound capture filter of the device hears of the device's
// return from that filter itself (with the filter as param1), so the notice
// here skips it: each graph is told once per return. The capture filter
// registers and clears its hold as it joins and leaves a graph.
void GraphHoldsDevice(IMediaEventSink *graph, const std::string &deviceKey);
void GraphReleasesDevice(IMediaEventSink *graph, const std::string &deviceKey);

// Whether any lost device is still awaited (the server watcher keeps trying
// to reach a vanished server while one is).
bool HasWatchedDevices();

} // namespace devicewatch

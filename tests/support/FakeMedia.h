// Fakes of the media interfaces: a graph that records what is asked of it,
// devices with named input lines, an encoder and a File Writer. Every fake
// counts itself, so a test can see that nothing is left alive.
#pragma once

#include "platform/media/Interfaces.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fake {

// What the fakes were asked, in order ("Run", "AddFilter Audio Capture", ...).
std::vector<std::string> &Calls();
bool Called(const std::string &call);
int CountCalls(const std::string &call);
// Fake objects alive now.
int LiveObjects();

struct LineSpec {
    std::string name;
    bool hasMixer = true;
    bool directionFails = false;
    bool infoFails = false;
    double level = 1.0;
};

struct DeviceSpec {
    std::string name;
    std::vector<LineSpec> lines;
    bool bagFails = false;
    bool nameFails = false;
    bool bindFails = false;
    bool outputPin = true;
};

struct GraphOptions {
    bool noMediaControl = false;
    bool noMediaEvent = false;
    bool runFails = false;
    HRESULT renderResult = S_OK;
};

class FakeGraph;
class FakePin;

// Mixer state of every line of every filter made, by line name.
struct LineState {
    bool enabled = false;
    double level = 1.0;
};
LineState &Line(const std::string &name);

struct Config {
    std::vector<DeviceSpec> devices;
    bool noCategory = false;     // the enumerator has nothing to enumerate
    bool devEnumFails = false;   // the system device enumerator cannot be made
    bool encoderMissing = false; // no encoder module registered
    bool graphFails = false;     // CLSID_FilterGraph cannot be made
    GraphOptions graph;
};

// Registers the fakes in the class table with this configuration (copied
// at each creation, so a test may change it between steps).
void Install(Config *config);
void Uninstall();

// The graphs made so far that are still alive, newest last.
std::vector<FakeGraph *> LiveGraphs();

class FakeGraph final : public ComObject<IGraphBuilder, IMediaControl, IMediaEventEx> {
public:
    explicit FakeGraph(GraphOptions options);
    ~FakeGraph() override;

    HRESULT QueryInterface(REFIID riid, void **ppv) override;

    HRESULT AddFilter(IBaseFilter *filter, const char *name) override;
    HRESULT RemoveFilter(IBaseFilter *filter) override;
    HRESULT Render(IPin *pin) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;

    HRESULT GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long msTimeout) override;
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(HWND hwnd, long msg, LONG_PTR instance) override;

    // Queues an event and posts the notification, as the real graph does.
    void QueueEvent(long code, LONG_PTR param1, LONG_PTR param2);
    std::vector<std::string> FilterNames() const;
    HWND NotifyWindow() const { return m_hwnd; }
    std::string state = "stopped";
    const int serial; // graphs made before this one

private:
    struct Event {
        long code;
        LONG_PTR p1, p2;
    };
    GraphOptions m_options;
    std::vector<std::pair<std::string, ComPtr<IBaseFilter>>> m_filters;
    std::deque<Event> m_events;
    HWND m_hwnd = nullptr;
    long m_msg = 0;
    LONG_PTR m_instance = 0;
};

} // namespace fake

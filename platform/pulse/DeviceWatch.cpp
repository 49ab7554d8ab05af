#include "platform/pulse/DeviceWatch.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace devicewatch {
namespace {

struct Registry {
    std::vector<IMediaEventSink *> graphs;
    std::set<std::string> watched;
    std::map<IMediaEventSink *, std::multiset<std::string>> holds;
};

Registry &State()
{
    static Registry registry;
    return registry;
}

bool IsRegistered(IMediaEventSink *graph)
{
    const auto &graphs = State().graphs;
    return std::find(graphs.begin(), graphs.end(), graph) != graphs.end();
}

bool Holds(IMediaEventSink *graph, const std::string &key)
{
    const auto it = State().holds.find(graph);
    return it != State().holds.end() && it->second.count(key) > 0;
}

} // namespace

void AddGraph(IMediaEventSink *graph)
{
    if (graph && !IsRegistered(graph))
        State().graphs.push_back(graph);
}

void RemoveGraph(IMediaEventSink *graph)
{
    auto &graphs = State().graphs;
    graphs.erase(std::remove(graphs.begin(), graphs.end(), graph), graphs.end());
    // A later graph may be made at the same address: it must not inherit holds.
    State().holds.erase(graph);
}

void WatchForReturn(const std::string &deviceKey)
{
    State().watched.insert(deviceKey);
}

void DeviceAppeared(const std::string &deviceKey)
{
    if (State().watched.erase(deviceKey) == 0)
        return;
    // Notify may add or remove graphs: work on a copy, checking each is still there.
    const std::vector<IMediaEventSink *> graphs = State().graphs;
    for (IMediaEventSink *graph : graphs) {
        if (IsRegistered(graph) && !Holds(graph, deviceKey))
            graph->Notify(EC_DEVICE_LOST, 0, 1);
    }
}

void GraphHoldsDevice(IMediaEventSink *graph, const std::string &deviceKey)
{
    if (graph)
        State().holds[graph].insert(deviceKey);
}

void GraphReleasesDevice(IMediaEventSink *graph, const std::string &deviceKey)
{
    const auto it = State().holds.find(graph);
    if (it == State().holds.end())
        return;
    if (const auto key = it->second.find(deviceKey); key != it->second.end())
        it->second.erase(key);
    if (it->second.empty())
        State().holds.erase(it);
}

bool HasWatchedDevices()
{
    return !State().watched.empty();
}

} // namespace devicewatch

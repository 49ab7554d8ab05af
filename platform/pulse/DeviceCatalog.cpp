#include "platform/pulse/DeviceCatalog.h"

#include <pulse/subscribe.h>

#include <algorithm>

namespace pulse {
namespace {

template <class Entry> std::vector<const Entry *> ByIndex(const std::vector<Entry> &entries)
{
    std::vector<const Entry *> sorted;
    for (const Entry &e : entries)
        sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry *a, const Entry *b) { return a->index < b->index; });
    return sorted;
}

bool HasCard(const ServerSnapshot &server, std::uint32_t card)
{
    return std::any_of(server.cards.begin(), server.cards.end(),
                       [card](const CardEntry &c) { return c.index == card; });
}

// Sources and sinks whose card the snapshot does not hold (it went while the
// lists were read) are treated as card-less rather than dropped.
bool BelongsTo(const ServerSnapshot &server, std::uint32_t card, std::uint32_t wanted)
{
    if (wanted == kNoIndex)
        return card == kNoIndex || !HasCard(server, card);
    return card == wanted;
}

void AddSourceLines(const SourceEntry &source, std::vector<InputLine> *lines)
{
    if (source.ports.empty()) {
        lines->push_back({source.description, source.name, {}});
        return;
    }
    for (const PortEntry &port : source.ports)
        lines->push_back({port.description, source.name, port.name});
}

void AddMonitorLine(const ServerSnapshot &server, const SinkEntry &sink, std::vector<InputLine> *lines)
{
    for (const SourceEntry &source : server.sources) {
        if (source.index == sink.monitorSource) {
            lines->push_back({source.description, source.name, {}});
            return;
        }
    }
}

std::vector<InputLine> CardLines(const ServerSnapshot &server, std::uint32_t card)
{
    std::vector<InputLine> lines;
    for (const SourceEntry *source : ByIndex(server.sources)) {
        if (source->monitorOfSink == kNoIndex && source->card == card)
            AddSourceLines(*source, &lines);
    }
    for (const SinkEntry *sink : ByIndex(server.sinks)) {
        if (sink->card == card)
            AddMonitorLine(server, *sink, &lines);
    }
    return lines;
}

void AddDevice(std::vector<CaptureDevice> *devices, std::string key, std::string name, std::vector<InputLine> lines)
{
    if (!lines.empty())
        devices->push_back({std::move(key), std::move(name), std::move(lines)});
}

} // namespace

std::vector<CaptureDevice> GroupCaptureDevices(const ServerSnapshot &server)
{
    std::vector<CaptureDevice> devices;
    for (const CardEntry *card : ByIndex(server.cards))
        AddDevice(&devices, "card:" + card->name, card->description, CardLines(server, card->index));
    for (const SinkEntry *sink : ByIndex(server.sinks)) {
        if (!BelongsTo(server, sink->card, kNoIndex))
            continue;
        std::vector<InputLine> lines;
        AddMonitorLine(server, *sink, &lines);
        AddDevice(&devices, "sink:" + sink->name, sink->description, std::move(lines));
    }
    for (const SourceEntry *source : ByIndex(server.sources)) {
        if (source->monitorOfSink != kNoIndex || !BelongsTo(server, source->card, kNoIndex))
            continue;
        std::vector<InputLine> lines;
        AddSourceLines(*source, &lines);
        AddDevice(&devices, "source:" + source->name, source->description, std::move(lines));
    }
    return devices;
}

std::set<std::string> DeviceKeys(const ServerSnapshot &server)
{
    std::set<std::string> keys;
    for (const CaptureDevice &device : GroupCaptureDevices(server))
        keys.insert(device.key);
    return keys;
}

DeviceIndex::DeviceIndex(const ServerSnapshot &server)
{
    const std::set<std::string> listed = DeviceKeys(server);
    auto keep = [&listed](std::map<std::uint32_t, std::string> &map, std::uint32_t index, const std::string &key) {
        if (listed.count(key))
            map[index] = key;
    };
    std::map<std::uint32_t, std::string> cardKeys;
    for (const CardEntry &card : server.cards)
        cardKeys[card.index] = "card:" + card.name;
    auto cardOr = [&](std::uint32_t card, const std::string &own) {
        const auto it = cardKeys.find(card);
        return it != cardKeys.end() ? it->second : own;
    };
    for (const auto &[index, key] : cardKeys)
        keep(m_cards, index, key);
    std::map<std::uint32_t, std::string> sinkKeys;
    for (const SinkEntry &sink : server.sinks) {
        sinkKeys[sink.index] = cardOr(sink.card, "sink:" + sink.name);
        keep(m_sinks, sink.index, sinkKeys[sink.index]);
    }
    for (const SourceEntry &source : server.sources) {
        if (source.monitorOfSink != kNoIndex) {
            if (const auto it = sinkKeys.find(source.monitorOfSink); it != sinkKeys.end())
                keep(m_sources, source.index, it->second);
        } else {
            keep(m_sources, source.index, cardOr(source.card, "source:" + source.name));
        }
    }
}

std::string DeviceIndex::KeyOf(std::uint32_t eventType, std::uint32_t index) const
{
    const std::map<std::uint32_t, std::string> *map = nullptr;
    switch (eventType & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
    case PA_SUBSCRIPTION_EVENT_CARD:
        map = &m_cards;
        break;
    case PA_SUBSCRIPTION_EVENT_SINK:
        map = &m_sinks;
        break;
    case PA_SUBSCRIPTION_EVENT_SOURCE:
        map = &m_sources;
        break;
    default:
        return {};
    }
    const auto it = map->find(index);
    return it != map->end() ? it->second : std::string();
}

void DeviceIndex::Merge(const DeviceIndex &later)
{
    for (const auto &[index, key] : later.m_cards)
        m_cards[index] = key;
    for (const auto &[index, key] : later.m_sinks)
        m_sinks[index] = key;
    for (const auto &[index, key] : later.m_sources)
        m_sources[index] = key;
}

bool IsRemoval(std::uint32_t eventType)
{
    return (eventType & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
}

bool ChangesDevices(std::uint32_t eventType)
{
    const std::uint32_t facility = eventType & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const std::uint32_t kind = eventType & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    const bool deviceFacility = facility == PA_SUBSCRIPTION_EVENT_SINK || facility == PA_SUBSCRIPTION_EVENT_SOURCE ||
                                facility == PA_SUBSCRIPTION_EVENT_CARD;
    return deviceFacility && (kind == PA_SUBSCRIPTION_EVENT_NEW || kind == PA_SUBSCRIPTION_EVENT_REMOVE);
}

PresenceTracker::Change PresenceTracker::Observe(bool present)
{
    const bool wasPresent = m_present;
    m_present = present;
    if (!present && !m_lost) {
        m_lost = true;
        return Change::Lost;
    }
    if (present && !wasPresent && m_lost) {
        m_lost = false;
        return Change::Returned;
    }
    return Change::None;
}

PresenceTracker::Change PresenceTracker::StreamMoved()
{
    if (m_lost)
        return Change::None;
    m_lost = true;
    return Change::Lost;
}

} // namespace pulse

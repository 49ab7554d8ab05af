// What the sound server offers, as plain data, and how the recorder turns it
// into capture devices with input lines. Nothing here talks to the server, so
// the grouping rules can be checked on hand-made server states.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pulse {

inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu; // PA_INVALID_INDEX

struct PortEntry {
    std::string name;
    std::string description;
};

struct CardEntry {
    std::uint32_t index = kNoIndex;
    std::string name;
    std::string description;
};

struct SinkEntry {
    std::uint32_t index = kNoIndex;
    std::string name;
    std::string description;
    std::uint32_t card = kNoIndex;
    std::uint32_t monitorSource = kNoIndex;
};

struct SourceEntry {
    std::uint32_t index = kNoIndex;
    std::string name;
    std::string description;
    std::uint32_t card = kNoIndex;
    std::uint32_t monitorOfSink = kNoIndex; // set for a sink's monitor
    std::vector<PortEntry> ports;
};

struct ServerSnapshot {
    std::vector<CardEntry> cards;
    std::vector<SinkEntry> sinks;
    std::vector<SourceEntry> sources;
};

// One input line: recording it means reading `source`, with `port` made the
// source's active port first when the line is a port.
struct InputLine {
    std::string name;
    std::string source;
    std::string port;
};

struct CaptureDevice {
    std::string key; // "card:<name>", "sink:<name>" or "source:<name>"
    std::string name;
    std::vector<InputLine> lines;
};

// The capture devices in the order the device list shows them: the cards in
// the server's order, then the sinks that belong to no card (their one line
// is their monitor), then the card-less non-monitor sources, each by index.
// A card's lines are its sources' ports (or the source itself when it has
// none), then its sinks' monitors. Devices without a line are left out.
std::vector<CaptureDevice> GroupCaptureDevices(const ServerSnapshot &server);

// The keys of the devices GroupCaptureDevices would list.
std::set<std::string> DeviceKeys(const ServerSnapshot &server);

// Which listed device a card, sink or source index belonged to, so that a
// removal report names the device even when the device is back before the
// server is read again.
class DeviceIndex {
public:
    DeviceIndex() = default;
    explicit DeviceIndex(const ServerSnapshot &server);
    // The key for a subscription event's facility and index; empty when the
    // index was part of no listed device.
    std::string KeyOf(std::uint32_t eventType, std::uint32_t index) const;
    // Adds what a later look found. The server never hands out an index
    // twice, so entries of devices gone since stay valid for late reports.
    void Merge(const DeviceIndex &later);

private:
    std::map<std::uint32_t, std::string> m_cards, m_sinks, m_sources;
};

// Whether a server subscription event (facility and type bits as libpulse
// reports them) can change the device list: cards, sinks and sources coming
// or going. Property changes such as volume are not.
bool ChangesDevices(std::uint32_t eventType);
bool IsRemoval(std::uint32_t eventType);

// A bound device's loss and return as the filter reports them: one loss per
// disappearance however many times the server repeats it, one return per
// reappearance after a loss. A stream the server moved elsewhere is a loss
// too; it comes back only when the device itself reappears.
class PresenceTracker {
public:
    enum class Change { None, Lost, Returned };

    Change Observe(bool present);
    Change StreamMoved();
    bool Lost() const { return m_lost; }

private:
    bool m_present = true;
    bool m_lost = false;
};

} // namespace pulse

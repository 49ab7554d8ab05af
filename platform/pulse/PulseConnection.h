// The process's one connection to the sound server. It is made on first use
// and made again on the next use after the server went away, so a restarted
// server is found without restarting the program. Every wait is bounded: a
// server that does not answer counts as no server.
//
// Calls block the calling thread (never the server thread) for at most
// kWaitBound per server round trip.
#pragma once

#include "platform/pulse/DeviceCatalog.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace pulse {

enum class ServerEvent {
    Connected,      // the connection is ready and subscribed to device changes
    Disconnected,   // a working connection was lost (server gone or replaced)
    DevicesChanged, // a card, sink or source came or went
};

struct ServerReport {
    ServerEvent event;
    std::uint64_t connection; // which connection (see Snapshot) it came from
    std::uint32_t type = 0;   // DevicesChanged: the server's facility and kind bits
    std::uint32_t index = 0;  // DevicesChanged: index of the card, sink or source
};

class Connection {
public:
    static constexpr std::chrono::milliseconds kWaitBound{2000};

    static Connection &Instance();

    // Every call below connects first when needed (bounded). This one only
    // starts a connection attempt when none is ready or under way; no wait.
    void ConnectAsync();

    // Also names the connection it was read on: each new connection gets a
    // new number, and a server's indices mean something only within one.
    bool Snapshot(ServerSnapshot *out, std::uint64_t *connection = nullptr);
    bool SourceExists(const std::string &source);
    // The source's volume as 0.0 .. 1.0 (channel average, muted = 0.0).
    bool ReadSourceLevel(const std::string &source, double *level);
    // Sets every channel to `level` (1.0 = 100 %) and unmutes a muted source
    // when the level is above 0; returns once the server acknowledged.
    bool WriteSourceLevel(const std::string &source, double level);
    bool SelectSourcePort(const std::string &source, const std::string &port);

    // Called on the server's thread: the handler must only hand the report on.
    using EventHandler = std::function<void(const ServerReport &report)>;
    void SetEventHandler(EventHandler handler);

    // Disconnects and stops the server thread (done when the application object goes).
    void Shutdown();

    struct Impl;

private:
    Connection();
    Impl *m_impl;
};

} // namespace pulse

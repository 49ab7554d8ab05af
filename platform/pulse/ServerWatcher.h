// Follows the sound server's devices for the capture filters: the server's
// change reports (on its own thread) are handed to the UI thread, a burst of
// them is gathered into one look at the server, and every listener hears
// whether its device is there. Devices that reappear are passed on to
// devicewatch::DeviceAppeared. A lost connection is a reason to look again
// at once (the server may merely have been replaced); when no server answers
// every device counts as gone, and the connection is tried again each second
// while anyone still listens or waits for a device's return.
#pragma once

#include "platform/pulse/PulseConnection.h"

#include <QObject>

#include <cstdint>
#include <map>
#include <set>
#include <string>

class QTimer;

namespace pulse {

// Called on the UI thread only.
class PresenceListener {
public:
    virtual const std::string &DeviceKey() const = 0;
    // After every look at the server, whether or not anything changed.
    virtual void DevicePresence(bool present) = 0;
    // The server moved the listener's recording stream to another source.
    virtual void StreamMoved() = 0;

protected:
    ~PresenceListener() = default;
};

class ServerWatcher : public QObject {
public:
    // Quiet time after a server report before the server is read again: a
    // module being unloaded reports its sink, its monitor and more in a row.
    static constexpr int kSettleMs = 100;
    static constexpr int kRetryMs = 1000;

    // Made on first use (on the UI thread), never destroyed.
    static ServerWatcher &Instance();

    // May report to listeners (the new one included) before it returns.
    std::uint64_t AddListener(PresenceListener *listener);
    void RemoveListener(std::uint64_t id);

    // Any thread: hands a moved stream on to its listener on the UI thread;
    // nothing happens when the listener has gone meanwhile.
    static void PostStreamMoved(std::uint64_t id);

private:
    ServerWatcher();
    void OnServerReport(const ServerReport &report);
    void ScheduleLook();
    void Look();
    void Apply(const std::set<std::string> &keys);
    void RetryLater();
    void Retry();
    void OnStreamMoved(std::uint64_t id);

    QTimer *m_settle;
    QTimer *m_retry;
    std::map<std::uint64_t, PresenceListener *> m_listeners;
    std::uint64_t m_nextId = 1;
    std::set<std::string> m_known;
    DeviceIndex m_index; // of every look on the current connection
    std::uint64_t m_indexConnection = 0;
    std::set<std::string> m_removed; // devices reported removed since then
    bool m_connected = false;
};

} // namespace pulse

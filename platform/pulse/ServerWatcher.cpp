#include "platform/pulse/ServerWatcher.h"

#include "platform/pulse/DeviceWatch.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <utility>
#include <vector>

namespace pulse {
namespace {
std::atomic<ServerWatcher *> g_watcher{nullptr};
}

ServerWatcher &ServerWatcher::Instance()
{
    static ServerWatcher *watcher = [] {
        auto *w = new ServerWatcher;
        g_watcher = w;
        return w;
    }();
    return *watcher;
}

ServerWatcher::ServerWatcher() : m_settle(new QTimer(this)), m_retry(new QTimer(this))
{
    // Queued calls and timers must run where the graphs live.
    if (QCoreApplication *app = QCoreApplication::instance(); app && thread() != app->thread())
        moveToThread(app->thread());
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle, &QTimer::timeout, this, &ServerWatcher::Look);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &ServerWatcher::Retry);
    Connection::Instance().SetEventHandler([this](const ServerReport &report) {
        QMetaObject::invokeMethod(
            this, [this, report] { OnServerReport(report); }, Qt::QueuedConnection);
    });
    Look();
}

std::uint64_t ServerWatcher::AddListener(PresenceListener *listener)
{
    const std::uint64_t id = m_nextId++;
    m_listeners[id] = listener;
    // Bound devices were on the server a moment ago; when this look predates
    // one, catch up so that its removal is recognised.
    if (m_known.count(listener->DeviceKey()) == 0)
        Look();
    if (!m_connected)
        RetryLater();
    return id;
}

void ServerWatcher::RemoveListener(std::uint64_t id)
{
    m_listeners.erase(id);
}

void ServerWatcher::PostStreamMoved(std::uint64_t id)
{
    if (ServerWatcher *w = g_watcher.load())
        QMetaObject::invokeMethod(
            w, [w, id] { w->OnStreamMoved(id); }, Qt::QueuedConnection);
}

void ServerWatcher::OnStreamMoved(std::uint64_t id)
{
    if (auto it = m_listeners.find(id); it != m_listeners.end())
        it->second->StreamMoved();
}

void ServerWatcher::OnServerReport(const ServerReport &report)
{
    switch (report.event) {
    case ServerEvent::Connected:
        m_connected = true;
        m_retry->stop();
        ScheduleLook();
        break;
    case ServerEvent::Disconnected:
        m_connected = false;
        m_settle->stop();
        Look();
        break;
    case ServerEvent::DevicesChanged:
        // The device may be back before the look: remember that it went.
        if (IsRemoval(report.type) && report.connection == m_indexConnection) {
            if (std::string key = m_index.KeyOf(report.type, report.index); !key.empty())
                m_removed.insert(std::move(key));
        }
        ScheduleLook();
        break;
    }
}

void ServerWatcher::ScheduleLook()
{
    if (!m_settle->isActive())
        m_settle->start();
}

void ServerWatcher::Look()
{
    ServerSnapshot server;
    std::uint64_t connection = 0;
    if (!Connection::Instance().Snapshot(&server, &connection)) {
        m_connected = false;
        Apply({});
        RetryLater();
        return;
    }
    m_connected = true;
    if (connection != m_indexConnection) {
        m_index = DeviceIndex();
        m_indexConnection = connection;
    }
    m_index.Merge(DeviceIndex(server));
    Apply(DeviceKeys(server));
}

void ServerWatcher::Apply(const std::set<std::string> &keys)
{
    // A device removed and added again between two looks went and came back.
    const std::set<std::string> blinked = std::exchange(m_removed, {});
    std::vector<std::string> appeared;
    for (const std::string &key : keys) {
        if (m_known.count(key) == 0 || blinked.count(key) > 0)
            appeared.push_back(key);
    }
    m_known = keys;
    // A listener's report may end another listener: look each one up again.
    std::vector<std::uint64_t> ids;
    for (const auto &entry : m_listeners)
        ids.push_back(entry.first);
    for (std::uint64_t id : ids) {
        auto it = m_listeners.find(id);
        if (it == m_listeners.end())
            continue;
        const std::string key = it->second->DeviceKey();
        const bool present = keys.count(key) > 0;
        if (present && blinked.count(key) > 0) {
            it->second->DevicePresence(false);
            it = m_listeners.find(id);
            if (it == m_listeners.end())
                continue;
        }
        it->second->DevicePresence(present);
    }
    for (const std::string &key : appeared)
        devicewatch::DeviceAppeared(key);
}

void ServerWatcher::RetryLater()
{
    if (!m_retry->isActive())
        m_retry->start();
}

void ServerWatcher::Retry()
{
    if (m_connected || (m_listeners.empty() && !devicewatch::HasWatchedDevices())) {
        m_retry->stop();
        return;
    }
    // The answer comes back as a Connected or Disconnected report.
    Connection::Instance().ConnectAsync();
}

} // namespace pulse

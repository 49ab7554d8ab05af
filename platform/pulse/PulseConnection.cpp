#include "platform/pulse/PulseConnection.h"

#include <QCoreApplication>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace pulse {
namespace {

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

std::string ServerFromEnvironment()
{
    const char *server = std::getenv("PULSE_SERVER");
    return server ? server : "";
}

// Results of one query; filled on the server thread while the caller waits.
struct SnapshotJob {
    pa_threaded_mainloop *loop;
    ServerSnapshot *out;
    bool failed = false;
};

struct SourceJob {
    pa_threaded_mainloop *loop;
    bool found = false;
    double level = 0.0;
    bool muted = false;
    std::uint8_t channels = 0;
};

struct AckJob {
    pa_threaded_mainloop *loop;
    bool success = false;
};

std::string Text(const char *s)
{
    return s ? s : "";
}

void OnCard(pa_context *, const pa_card_info *info, int eol, void *data)
{
    auto *job = static_cast<SnapshotJob *>(data);
    if (eol < 0)
        job->failed = true;
    if (info) {
        const char *description = pa_proplist_gets(info->proplist, PA_PROP_DEVICE_DESCRIPTION);
        job->out->cards.push_back({info->index, Text(info->name), Text(description ? description : info->name)});
    }
    pa_threaded_mainloop_signal(job->loop, 0);
}

void OnSink(pa_context *, const pa_sink_info *info, int eol, void *data)
{
    auto *job = static_cast<SnapshotJob *>(data);
    if (eol < 0)
        job->failed = true;
    if (info)
        job->out->sinks.push_back(
            {info->index, Text(info->name), Text(info->description), info->card, info->monitor_source});
    pa_threaded_mainloop_signal(job->loop, 0);
}

void OnSource(pa_context *, const pa_source_info *info, int eol, void *data)
{
    auto *job = static_cast<SnapshotJob *>(data);
    if (eol < 0)
        job->failed = true;
    if (info) {
        SourceEntry source{info->index, Text(info->name),      Text(info->description),
                           info->card,  info->monitor_of_sink, {}};
        for (std::uint32_t i = 0; i < info->n_ports; ++i)
            source.ports.push_back({Text(info->ports[i]->name), Text(info->ports[i]->description)});
        job->out->sources.push_back(std::move(source));
    }
    pa_threaded_mainloop_signal(job->loop, 0);
}

void OnSourceLevel(pa_context *, const pa_source_info *info, int, void *data)
{
    auto *job = static_cast<SourceJob *>(data);
    if (info) {
        job->found = true;
        job->muted = info->mute != 0;
        job->channels = info->volume.channels;
        job->level = std::min(1.0, double(pa_cvolume_avg(&info->volume)) / double(PA_VOLUME_NORM));
    }
    pa_threaded_mainloop_signal(job->loop, 0);
}

void OnAck(pa_context *, int success, void *data)
{
    auto *job = static_cast<AckJob *>(data);
    job->success = success != 0;
    pa_threaded_mainloop_signal(job->loop, 0);
}

struct Timeout {
    pa_threaded_mainloop *loop;
    bool fired = false;
};

void OnTimeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data)
{
    auto *timeout = static_cast<Timeout *>(data);
    timeout->fired = true;
    pa_threaded_mainloop_signal(timeout->loop, 0);
}

void ShutdownAtExit()
{
    Connection::Instance().Shutdown();
}

} // namespace

struct Connection::Impl {
    std::mutex api; // one caller at a time talks to the server
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    std::string server;                                     // PULSE_SERVER the context was made for
    std::chrono::steady_clock::time_point attemptStarted{}; // of the connection under way
    bool contextWasReady = false;                           // only a ready connection can be lost
    std::uint64_t generation = 0;                           // of the current context

    std::mutex handlerLock;
    EventHandler handler;

    bool StartLoop();
    bool StartContext();
    void DropContext(bool report = true);
    bool ContextGood() const { return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }
    bool ContextReady() const { return context && pa_context_get_state(context) == PA_CONTEXT_READY; }
    bool EnsureLocked();
    template <class Pred> bool WaitLocked(std::chrono::milliseconds bound, Pred done);
    bool WaitOperations(std::vector<pa_operation *> ops);
    bool ReadSource(const std::string &source, SourceJob *job);
    bool Acknowledged(pa_operation *op, AckJob *job);
    void Emit(ServerEvent event, std::uint32_t type = 0, std::uint32_t index = 0);

    static void OnState(pa_context *context, void *data);
    static void OnSubscription(pa_context *context, pa_subscription_event_type_t type, std::uint32_t, void *data);
};

bool Connection::Impl::StartLoop()
{
    if (loop)
        return true;
    loop = pa_threaded_mainloop_new();
    if (!loop)
        return false;
    pa_threaded_mainloop_set_name(loop, "tombrello-pulse");
    if (pa_threaded_mainloop_start(loop) < 0) {
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        return false;
    }
    // The server thread must be gone before the application's objects are.
    if (QCoreApplication::instance())
        qAddPostRoutine(ShutdownAtExit);
    return true;
}

bool Connection::Impl::StartContext()
{
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Tombrello");
    if (!context)
        return false;
    server = ServerFromEnvironment();
    ++generation;
    attemptStarted = std::chrono::steady_clock::now();
    contextWasReady = false;
    pa_context_set_state_callback(context, &Impl::OnState, this);
    pa_context_set_subscribe_callback(context, &Impl::OnSubscription, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        DropContext();
        return false;
    }
    return true;
}

void Connection::Impl::DropContext(bool report)
{
    if (!context)
        return;
    // The context's own state reports stop here; whoever watches the server
    // still hears that a working connection is gone.
    const bool live = ContextReady();
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
    if (report && live)
        Emit(ServerEvent::Disconnected);
}

bool Connection::Impl::EnsureLocked()
{
    // A changed PULSE_SERVER names another server: the old connection is of no use.
    if (context && (!ContextGood() || server != ServerFromEnvironment()))
        DropContext();
    if (ContextReady())
        return true;
    if (!context && !StartContext())
        return false;
    WaitLocked(kWaitBound, [this] { return !ContextGood() || ContextReady(); });
    if (ContextReady())
        return true;
    DropContext();
    return false;
}

// pa_threaded_mainloop_wait has no timeout of its own: a timer event on the
// loop wakes the waiter when the bound is up.
template <class Pred> bool Connection::Impl::WaitLocked(std::chrono::milliseconds bound, Pred done)
{
    if (done())
        return true;
    pa_mainloop_api *loopApi = pa_threaded_mainloop_get_api(loop);
    struct timeval deadline;
    pa_gettimeofday(&deadline);
    pa_timeval_add(&deadline, pa_usec_t(bound.count()) * PA_USEC_PER_MSEC);
    Timeout timeout{loop};
    pa_time_event *timer = loopApi->time_new(loopApi, &deadline, &OnTimeout, &timeout);
    while (!done() && !timeout.fired)
        pa_threaded_mainloop_wait(loop);
    loopApi->time_free(timer);
    return done();
}

bool Connection::Impl::WaitOperations(std::vector<pa_operation *> ops)
{
    const bool started = std::all_of(ops.begin(), ops.end(), [](pa_operation *op) { return op != nullptr; });
    auto allDone = [&] {
        return !ContextGood() || std::all_of(ops.begin(), ops.end(), [](pa_operation *op) {
            return !op || pa_operation_get_state(op) != PA_OPERATION_RUNNING;
        });
    };
    if (started)
        WaitLocked(kWaitBound, allDone);
    bool ok = started && ContextReady();
    for (pa_operation *op : ops) {
        if (!op)
            continue;
        // A cancelled operation calls back no more, so the caller's job may go.
        if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_operation_cancel(op);
        ok = ok && pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
    }
    return ok;
}

bool Connection::Impl::ReadSource(const std::string &source, SourceJob *job)
{
    pa_operation *op = pa_context_get_source_info_by_name(context, source.c_str(), &OnSourceLevel, job);
    return WaitOperations({op}) && job->found;
}

bool Connection::Impl::Acknowledged(pa_operation *op, AckJob *job)
{
    return WaitOperations({op}) && job->success;
}

void Connection::Impl::Emit(ServerEvent event, std::uint32_t type, std::uint32_t index)
{
    EventHandler copy;
    {
        std::lock_guard<std::mutex> guard(handlerLock);
        copy = handler;
    }
    if (copy)
        copy(ServerReport{event, generation, type, index});
}

void Connection::Impl::OnState(pa_context *context, void *data)
{
    auto *self = static_cast<Impl *>(data);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        self->contextWasReady = true;
        if (pa_operation *op =
                pa_context_subscribe(context,
                                     pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                                                            PA_SUBSCRIPTION_MASK_CARD),
                                     nullptr, nullptr))
            pa_operation_unref(op);
        self->Emit(ServerEvent::Connected);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // A failed attempt is no news: the caller that made it hears so.
        if (std::exchange(self->contextWasReady, false))
            self->Emit(ServerEvent::Disconnected);
        break;
    default:
        break;
    }
    pa_threaded_mainloop_signal(self->loop, 0);
}

void Connection::Impl::OnSubscription(pa_context *, pa_subscription_event_type_t type, std::uint32_t index, void *data)
{
    if (ChangesDevices(type))
        static_cast<Impl *>(data)->Emit(ServerEvent::DevicesChanged, type, index);
}

namespace {
// Runs `work` with the server thread locked and the connection ready; false
// when there is no server or `work` fails. Never on the server thread itself:
// the wait for its answers would never end.
template <class Work> bool WithServer(Connection::Impl &d, Work work)
{
    std::lock_guard<std::mutex> guard(d.api);
    if (!d.StartLoop() || pa_threaded_mainloop_in_thread(d.loop))
        return false;
    LoopLock lock(d.loop);
    return d.EnsureLocked() && work(d);
}
} // namespace

// ---- public side ----

Connection::Connection() : m_impl(new Impl) {}

Connection &Connection::Instance()
{
    // Never destroyed: the server thread may still report while the process ends.
    static Connection *instance = new Connection;
    return *instance;
}

void Connection::ConnectAsync()
{
    std::lock_guard<std::mutex> guard(m_impl->api);
    if (!m_impl->StartLoop())
        return;
    LoopLock lock(m_impl->loop);
    Impl &d = *m_impl;
    const bool stale = std::chrono::steady_clock::now() - d.attemptStarted > kWaitBound;
    if (d.context && (!d.ContextGood() || (!d.ContextReady() && stale) || d.server != ServerFromEnvironment()))
        d.DropContext();
    if (!d.context)
        d.StartContext();
}

bool Connection::Snapshot(ServerSnapshot *out, std::uint64_t *connection)
{
    return WithServer(*m_impl, [out, connection](Impl &d) {
        ServerSnapshot snapshot;
        SnapshotJob job{d.loop, &snapshot};
        const bool ok = d.WaitOperations({pa_context_get_card_info_list(d.context, &OnCard, &job),
                                          pa_context_get_sink_info_list(d.context, &OnSink, &job),
                                          pa_context_get_source_info_list(d.context, &OnSource, &job)});
        if (!ok || job.failed)
            return false;
        *out = std::move(snapshot);
        if (connection)
            *connection = d.generation;
        return true;
    });
}

bool Connection::SourceExists(const std::string &source)
{
    return WithServer(*m_impl, [&source](Impl &d) {
        SourceJob job{d.loop};
        return d.ReadSource(source, &job);
    });
}

bool Connection::ReadSourceLevel(const std::string &source, double *level)
{
    return WithServer(*m_impl, [&](Impl &d) {
        SourceJob job{d.loop};
        if (!d.ReadSource(source, &job))
            return false;
        *level = job.muted ? 0.0 : job.level;
        return true;
    });
}

bool Connection::WriteSourceLevel(const std::string &source, double level)
{
    return WithServer(*m_impl, [&](Impl &d) {
        SourceJob current{d.loop};
        if (!d.ReadSource(source, &current) || current.channels == 0)
            return false;
        pa_cvolume volume;
        pa_cvolume_set(&volume, current.channels, pa_volume_t(std::lround(level * PA_VOLUME_NORM)));
        AckJob set{d.loop};
        if (!d.Acknowledged(pa_context_set_source_volume_by_name(d.context, source.c_str(), &volume, &OnAck, &set),
                            &set))
            return false;
        if (level <= 0.0 || !current.muted)
            return true;
        AckJob unmute{d.loop};
        return d.Acknowledged(pa_context_set_source_mute_by_name(d.context, source.c_str(), 0, &OnAck, &unmute),
                              &unmute);
    });
}

bool Connection::SelectSourcePort(const std::string &source, const std::string &port)
{
    return WithServer(*m_impl, [&](Impl &d) {
        AckJob job{d.loop};
        return d.Acknowledged(pa_context_set_source_port_by_name(d.context, source.c_str(), port.c_str(), &OnAck, &job),
                              &job);
    });
}

void Connection::SetEventHandler(EventHandler handler)
{
    std::lock_guard<std::mutex> guard(m_impl->handlerLock);
    m_impl->handler = std::move(handler);
}

void Connection::Shutdown()
{
    std::lock_guard<std::mutex> guard(m_impl->api);
    if (!m_impl->loop)
        return;
    {
        LoopLock lock(m_impl->loop);
        m_impl->DropContext(false);
    }
    pa_threaded_mainloop_stop(m_impl->loop);
    pa_threaded_mainloop_free(m_impl->loop);
    m_impl->loop = nullptr;
}

} // namespace pulse

// The private sound server the integration tests run against: reachable
// through libpulse as this process sees it, modules come and go, and it can
// be killed and brought back.
#include "support/PulseDaemon.h"

#include <gtest/gtest.h>

#include <pulse/pulseaudio.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

// Source name -> description, read with plain libpulse and the environment
// the daemon object set up; empty when the server cannot be reached.
std::map<std::string, std::string> SourcesSeenByLibpulse()
{
    std::map<std::string, std::string> sources;
    pa_mainloop *loop = pa_mainloop_new();
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "harness-check");
    bool listed = false;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        pa_operation *op = nullptr;
        struct Job {
            std::map<std::string, std::string> *sources;
            bool *listed;
        } job{&sources, &listed};
        for (int i = 0; i < 2000 && !listed; ++i) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state))
                break;
            if (state == PA_CONTEXT_READY && !op)
                op = pa_context_get_source_info_list(
                    context,
                    [](pa_context *, const pa_source_info *info, int eol, void *data) {
                        auto *j = static_cast<Job *>(data);
                        if (info)
                            (*j->sources)[info->name] = info->description;
                        if (eol)
                            *j->listed = true;
                    },
                    &job);
            pa_mainloop_iterate(loop, 1, nullptr);
        }
        if (op)
            pa_operation_unref(op);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return sources;
}

// Gone, or a zombie nobody reaps (the daemon is nobody's child here).
bool ProcessEnded(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && (line[paren + 2] == 'Z' || line[paren + 2] == 'X');
}

using PulseDaemonTest = PulseTest;

TEST_F(PulseDaemonTest, NullSinkMonitorIsListedThroughLibpulse)
{
    const auto sources = SourcesSeenByLibpulse();
    ASSERT_EQ(sources.count(daemon.MonitorName()), 1u);
    EXPECT_EQ(sources.at(daemon.MonitorName()), "Monitor of " + daemon.SinkDescription());
    EXPECT_EQ(std::string(std::getenv("PULSE_SERVER")), daemon.ServerAddress());
}

TEST_F(PulseDaemonTest, ModulesLoadAndUnloadByIndex)
{
    const int sink = daemon.AddNullSink("extra_out", "Extra Output With Spaces");
    const int source = daemon.AddNullSource("extra_in", "Extra Input");
    ASSERT_GE(sink, 0);
    ASSERT_GE(source, 0);
    auto sources = SourcesSeenByLibpulse();
    EXPECT_EQ(sources["extra_out.monitor"], "Monitor of Extra Output With Spaces");
    EXPECT_EQ(sources["extra_in"], "Extra Input");

    EXPECT_TRUE(daemon.UnloadModule(sink));
    sources = SourcesSeenByLibpulse();
    EXPECT_EQ(sources.count("extra_out.monitor"), 0u);
    EXPECT_EQ(sources.count("extra_in"), 1u);
}

TEST_F(PulseDaemonTest, SourceVolumeReadsWhatPactlSet)
{
    ASSERT_TRUE(daemon.Pactl({"set-source-volume", daemon.MonitorName(), "32768"}));
    EXPECT_DOUBLE_EQ(daemon.SourceVolume(daemon.MonitorName()).value_or(-1), 0.5);
    ASSERT_TRUE(daemon.Pactl({"set-source-mute", daemon.MonitorName(), "1"}));
    EXPECT_EQ(daemon.SourceMuted(daemon.MonitorName()), true);
    EXPECT_FALSE(daemon.SourceVolume("no_such_source").has_value());
}

TEST_F(PulseDaemonTest, KilledServerComesBackOnRestart)
{
    const pid_t first = daemon.Pid();
    daemon.Kill();
    EXPECT_FALSE(daemon.Running());
    EXPECT_TRUE(SourcesSeenByLibpulse().empty());

    std::string error;
    ASSERT_TRUE(daemon.Restart(&error)) << error;
    EXPECT_NE(daemon.Pid(), first);
    EXPECT_EQ(SourcesSeenByLibpulse().count(daemon.MonitorName()), 1u);
}

TEST(PulseDaemonLifetimeTest, StopsItsDaemonAndRestoresTheEnvironment)
{
    const char *before = std::getenv("PULSE_SERVER");
    const std::string saved = before ? before : "<unset>";
    pid_t pid = -1;
    std::string dir;
    {
        PulseDaemon daemon;
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        pid = daemon.Pid();
        dir = daemon.RuntimeDir();
        EXPECT_TRUE(daemon.Running());
    }
    const char *after = std::getenv("PULSE_SERVER");
    EXPECT_EQ(after ? std::string(after) : "<unset>", saved);
    EXPECT_TRUE(ProcessEnded(pid)) << pid;
    EXPECT_FALSE(std::filesystem::exists(dir));
}

} // namespace

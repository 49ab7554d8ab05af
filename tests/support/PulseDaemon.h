// A private PulseAudio daemon for integration tests: no hardware, one null
// sink, its own runtime folder (mode 0700) in /tmp. While it runs, this
// process's PULSE_SERVER and XDG_RUNTIME_DIR point at it, so the program's
// libpulse connection and every pulsesrc find it; both are restored when the
// daemon object goes. Every process here is started and ended by its pid.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class PulseDaemon {
public:
    explicit PulseDaemon(std::string sinkName = "tombrello_out", std::string sinkDescription = "Tombrello Output");
    ~PulseDaemon();
    PulseDaemon(const PulseDaemon &) = delete;
    PulseDaemon &operator=(const PulseDaemon &) = delete;

    // Starts the daemon (bounded wait until `pactl info` answers) and points
    // this process at it. False with the reason in *error.
    bool Start(std::string *error);
    // SIGTERM, bounded wait, then SIGKILL. The environment keeps pointing at
    // the (now dead) server until the object goes.
    void Stop();
    // SIGKILL: a server that died.
    void Kill();
    // Starts again in the same folder with the same null sink.
    bool Restart(std::string *error);
    bool Running() const;
    pid_t Pid() const { return m_pid; }

    const std::string &SinkName() const { return m_sinkName; }
    const std::string &SinkDescription() const { return m_sinkDescription; }
    std::string MonitorName() const { return m_sinkName + ".monitor"; }
    const std::string &RuntimeDir() const { return m_dir; }
    std::string ServerAddress() const;

    // Runs pactl against this daemon; its standard output in *out.
    bool Pactl(const std::vector<std::string> &args, std::string *out = nullptr) const;
    // The new module's index, or -1.
    int LoadModule(const std::string &module, const std::string &args) const;
    bool UnloadModule(int index) const;
    int AddNullSink(const std::string &name, const std::string &description) const;
    int AddNullSource(const std::string &name, const std::string &description) const;

    // A source's volume as pactl reports it: channel average, 1.0 = 100 %.
    std::optional<double> SourceVolume(const std::string &source) const;
    std::optional<bool> SourceMuted(const std::string &source) const;

    // espeak-ng renders `text` into a file of the runtime folder; its path.
    std::string SpeechFile(const std::string &text) const;
    // paplay into `sink`; returns when playing ended.
    bool Play(const std::string &sink, const std::string &wavFile) const;
    bool Speak(const std::string &sink, const std::string &text) const;

    // A low-latency reader kept connected to a sink's monitor: with it the
    // idle monitor delivers its first buffer in milliseconds, not seconds.
    class Reader {
    public:
        explicit Reader(pid_t pid) : m_pid(pid) {}
        ~Reader();
        Reader(const Reader &) = delete;
        Reader &operator=(const Reader &) = delete;
        pid_t Pid() const { return m_pid; }

    private:
        pid_t m_pid;
    };
    std::unique_ptr<Reader> KeepReading(const std::string &sink) const;

private:
    bool Launch(std::string *error);
    bool WaitUntilAnswering(std::string *error) const;
    void PointEnvironmentHere();
    void RestoreEnvironment();
    void EndDaemon(int signal);
    std::string LogTail() const;

    std::string m_sinkName;
    std::string m_sinkDescription;
    std::string m_dir;
    pid_t m_pid = -1;
    bool m_environmentSet = false;
    std::optional<std::string> m_savedServer;
    std::optional<std::string> m_savedRuntimeDir;
};

// One private daemon per test.
class PulseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
    }

    PulseDaemon daemon;
};

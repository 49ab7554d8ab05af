#include "support/PulseDaemon.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kCommandBound = 20s;
constexpr auto kStartBound = 10s;
constexpr auto kStopBound = 5s;

struct Outcome {
    bool started = false;
    bool exited = false; // within the bound
    int status = -1;     // exit code when exited normally
    std::string out;
    std::string err;
    bool Ok() const { return exited && status == 0; }
};

std::vector<std::string> EnvironmentWith(const std::vector<std::pair<std::string, std::string>> &overrides)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto &o : overrides)
            replaced = replaced || o.first == key;
        if (!replaced)
            env.push_back(entry);
    }
    for (const auto &o : overrides)
        env.push_back(o.first + "=" + o.second);
    return env;
}

std::vector<char *> CStrings(std::vector<std::string> &items)
{
    std::vector<char *> out;
    for (std::string &s : items)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

struct SpawnSetup {
    int stdoutFd = -1; // -1: /dev/null
    int stderrFd = -1;
    bool newSession = false;
    std::vector<std::pair<std::string, std::string>> env;
};

pid_t Spawn(std::vector<std::string> argv, const SpawnSetup &setup)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (const auto &[fd, target] : {std::pair{setup.stdoutFd, 1}, std::pair{setup.stderrFd, 2}}) {
        if (fd < 0)
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", O_WRONLY, 0);
        else
            posix_spawn_file_actions_adddup2(&actions, fd, target);
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (setup.newSession)
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    std::vector<std::string> env = EnvironmentWith(setup.env);
    std::vector<char *> args = CStrings(argv);
    std::vector<char *> envp = CStrings(env);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits (bounded) for a child of this process; true once it was reaped.
bool WaitChild(pid_t pid, Clock::duration bound, int *status)
{
    const auto deadline = Clock::now() + bound;
    for (;;) {
        int raw = 0;
        const pid_t r = waitpid(pid, &raw, WNOHANG);
        if (r == pid) {
            *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        }
        if (r < 0 || Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
}

void EndChild(pid_t pid)
{
    int status = 0;
    kill(pid, SIGTERM);
    if (!WaitChild(pid, 2s, &status)) {
        kill(pid, SIGKILL);
        WaitChild(pid, 2s, &status);
    }
}

// Runs a command to its end (bounded), collecting what it prints.
Outcome Run(std::vector<std::string> argv, SpawnSetup setup = {}, Clock::duration bound = kCommandBound)
{
    Outcome result;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    setup.stdoutFd = out[1];
    setup.stderrFd = err[1];
    const pid_t pid = Spawn(std::move(argv), setup);
    close(out[1]);
    close(err[1]);
    result.started = pid > 0;
    const auto deadline = Clock::now() + bound;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *texts[2] = {&result.out, &result.err};
    int streams = result.started ? 2 : 0;
    while (streams > 0 && Clock::now() < deadline) {
        if (poll(fds, 2, 50) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                texts[i]->append(buf, size_t(n));
            } else {
                fds[i].fd = -1; // end of output
                --streams;
            }
        }
    }
    close(out[0]);
    close(err[0]);
    if (!result.started)
        return result;
    result.exited = WaitChild(pid, deadline > Clock::now() ? deadline - Clock::now() : 0s, &result.status);
    if (!result.exited)
        EndChild(pid);
    return result;
}

bool ProcessGone(pid_t pid)
{
    if (kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    // An orphan nobody reaps stays a zombie: dead all the same.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && (line[paren + 2] == 'Z' || line[paren + 2] == 'X');
}

bool WaitGone(pid_t pid, Clock::duration bound)
{
    const auto deadline = Clock::now() + bound;
    while (!ProcessGone(pid)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::optional<std::string> GetEnv(const char *name)
{
    if (const char *v = std::getenv(name))
        return std::string(v);
    return std::nullopt;
}

void SetEnv(const char *name, const std::optional<std::string> &value)
{
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

bool OnPath(const std::string &program)
{
    const std::optional<std::string> path = GetEnv("PATH");
    std::stringstream dirs(path.value_or("/usr/bin:/bin"));
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

} // namespace

// ---- daemon ----

PulseDaemon::PulseDaemon(std::string sinkName, std::string sinkDescription)
    : m_sinkName(std::move(sinkName)), m_sinkDescription(std::move(sinkDescription))
{
}

PulseDaemon::~PulseDaemon()
{
    Stop();
    RestoreEnvironment();
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
}

bool PulseDaemon::Start(std::string *error)
{
    for (const char *program : {"pulseaudio", "pactl", "paplay", "parec", "espeak-ng"}) {
        if (!OnPath(program)) {
            *error = std::string(program) + " is not installed: run scripts/setup (as root) to install the test tools";
            return false;
        }
    }
    if (m_dir.empty()) {
        char pattern[] = "/tmp/tombrello-pulse-XXXXXX";
        if (!mkdtemp(pattern)) {
            *error = std::string("cannot make a runtime folder: ") + std::strerror(errno);
            return false;
        }
        m_dir = pattern;
        chmod(m_dir.c_str(), 0700);
    }
    PointEnvironmentHere();
    return Launch(error) && WaitUntilAnswering(error);
}

bool PulseDaemon::Restart(std::string *error)
{
    Stop();
    return Start(error);
}

bool PulseDaemon::Launch(std::string *error)
{
    // A killed daemon leaves its pid file and socket behind; a zombie under
    // that pid would make the new daemon think it is already running.
    std::error_code ignored;
    std::filesystem::remove(m_dir + "/pulse/pid", ignored);
    std::filesystem::remove(m_dir + "/pulse/native", ignored);
    const std::string sink = "module-null-sink sink_name=" + m_sinkName +
                             " sink_properties='device.description=" + Quoted(m_sinkDescription) + "'";
    // The daemon's output goes to a file: a pipe would stay open in the
    // daemonized child.
    const std::string launchLog = m_dir + "/launch.log";
    const int logFd = open(launchLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    SpawnSetup setup;
    setup.stdoutFd = logFd;
    setup.stderrFd = logFd;
    setup.newSession = true;
    setup.env = {{"XDG_RUNTIME_DIR", m_dir}, {"HOME", m_dir + "/home"}, {"XDG_CONFIG_HOME", m_dir + "/config"}};
    const pid_t launcher = Spawn({"pulseaudio", "-n", "--daemonize=yes", "--system=no", "--exit-idle-time=-1",
                                  "--disallow-exit", "--log-target=file:" + m_dir + "/daemon.log", "-L",
                                  "module-native-protocol-unix auth-anonymous=1", "-L", sink},
                                 setup);
    if (logFd >= 0)
        close(logFd);
    int status = -1;
    const bool launched = launcher > 0 && WaitChild(launcher, kStartBound, &status);
    if (launcher > 0 && !launched)
        EndChild(launcher);
    if (!launched || status != 0) {
        std::ifstream log(launchLog);
        const std::string said((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        *error = "pulseaudio did not start (status " + std::to_string(status) + "): " + said + LogTail();
        return false;
    }
    std::ifstream pidFile(m_dir + "/pulse/pid");
    if (!(pidFile >> m_pid) || m_pid <= 0) {
        m_pid = -1;
        *error = "pulseaudio left no pid file in " + m_dir + "/pulse" + LogTail();
        return false;
    }
    return true;
}

bool PulseDaemon::WaitUntilAnswering(std::string *error) const
{
    const auto deadline = Clock::now() + kStartBound;
    while (Clock::now() < deadline) {
        if (Pactl({"info"}))
            return true;
        if (!Running())
            break;
        std::this_thread::sleep_for(20ms);
    }
    *error = "pulseaudio (pid " + std::to_string(m_pid) + ") does not answer pactl info" + LogTail();
    return false;
}

std::string PulseDaemon::LogTail() const
{
    std::ifstream log(m_dir + "/daemon.log");
    std::string line, errors;
    while (std::getline(log, line)) {
        if (line.rfind("E: ", 0) == 0)
            errors += "\n  " + line;
    }
    return errors.empty() ? std::string() : "\ndaemon log errors:" + errors;
}

void PulseDaemon::Stop()
{
    EndDaemon(SIGTERM);
}

void PulseDaemon::Kill()
{
    EndDaemon(SIGKILL);
}

void PulseDaemon::EndDaemon(int signal)
{
    if (m_pid <= 0)
        return;
    if (!ProcessGone(m_pid)) {
        kill(m_pid, signal);
        if (!WaitGone(m_pid, kStopBound)) {
            kill(m_pid, SIGKILL);
            WaitGone(m_pid, kStopBound);
        }
    }
    m_pid = -1;
}

bool PulseDaemon::Running() const
{
    return m_pid > 0 && !ProcessGone(m_pid);
}

std::string PulseDaemon::ServerAddress() const
{
    return "unix:" + m_dir + "/pulse/native";
}

void PulseDaemon::PointEnvironmentHere()
{
    if (!m_environmentSet) {
        m_savedServer = GetEnv("PULSE_SERVER");
        m_savedRuntimeDir = GetEnv("XDG_RUNTIME_DIR");
        m_environmentSet = true;
    }
    setenv("PULSE_SERVER", ServerAddress().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
}

void PulseDaemon::RestoreEnvironment()
{
    if (!m_environmentSet)
        return;
    SetEnv("PULSE_SERVER", m_savedServer);
    SetEnv("XDG_RUNTIME_DIR", m_savedRuntimeDir);
    m_environmentSet = false;
}

// ---- pactl ----

bool PulseDaemon::Pactl(const std::vector<std::string> &args, std::string *out) const
{
    std::vector<std::string> argv{"pactl", "--server=" + ServerAddress()};
    argv.insert(argv.end(), args.begin(), args.end());
    const Outcome result = Run(argv);
    if (out)
        *out = result.out;
    return result.Ok();
}

int PulseDaemon::LoadModule(const std::string &module, const std::string &args) const
{
    std::string out;
    if (!Pactl({"load-module", module, args}, &out))
        return -1;
    try {
        return std::stoi(out);
    } catch (const std::exception &) {
        return -1;
    }
}

bool PulseDaemon::UnloadModule(int index) const
{
    return index >= 0 && Pactl({"unload-module", std::to_string(index)});
}

int PulseDaemon::AddNullSink(const std::string &name, const std::string &description) const
{
    return LoadModule("module-null-sink",
                      "sink_name=" + name + " sink_properties='device.description=" + Quoted(description) + "'");
}

int PulseDaemon::AddNullSource(const std::string &name, const std::string &description) const
{
    return LoadModule("module-null-source", "source_name=" + name + " description=" + Quoted(description));
}

std::optional<double> PulseDaemon::SourceVolume(const std::string &source) const
{
    std::string out;
    if (!Pactl({"get-source-volume", source}, &out))
        return std::nullopt;
    // "Volume: front-left: 32768 /  50% / -18.06 dB,   front-right: ..."
    static const std::regex channel(R"((\d+) +/ +\d+%)");
    double sum = 0;
    int channels = 0;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), channel); it != std::sregex_iterator(); ++it) {
        sum += std::stod((*it)[1]);
        ++channels;
    }
    if (channels == 0)
        return std::nullopt;
    return sum / channels / 65536.0;
}

std::optional<bool> PulseDaemon::SourceMuted(const std::string &source) const
{
    std::string out;
    if (!Pactl({"get-source-mute", source}, &out))
        return std::nullopt;
    return out.find("yes") != std::string::npos;
}

// ---- sound ----

std::string PulseDaemon::SpeechFile(const std::string &text) const
{
    static std::atomic<int> serial{0};
    const std::string path = m_dir + "/speech" + std::to_string(serial++) + ".wav";
    return Run({"espeak-ng", "-w", path, text}).Ok() ? path : std::string();
}

bool PulseDaemon::Play(const std::string &sink, const std::string &wavFile) const
{
    return !wavFile.empty() && Run({"paplay", "--server=" + ServerAddress(), "-d", sink, wavFile}).Ok();
}

bool PulseDaemon::Speak(const std::string &sink, const std::string &text) const
{
    return Play(sink, SpeechFile(text));
}

std::unique_ptr<PulseDaemon::Reader> PulseDaemon::KeepReading(const std::string &sink) const
{
    const pid_t pid =
        Spawn({"parec", "--server=" + ServerAddress(), "--latency-msec=10", "-d", sink + ".monitor"}, SpawnSetup{});
    return pid > 0 ? std::make_unique<Reader>(pid) : nullptr;
}

PulseDaemon::Reader::~Reader()
{
    if (m_pid > 0)
        EndChild(m_pid);
}

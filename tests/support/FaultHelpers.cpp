#include "support/FaultHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char **environ;

namespace {
int Entries(const char *folder)
{
    return int(
        QDir(QString::fromLatin1(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

quint32 Le32(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}
} // namespace

int OpenFileCount()
{
    return Entries("/proc/self/fd");
}

int ThreadCount()
{
    return Entries("/proc/self/task");
}

SmallDisk::SmallDisk(qint64 bytes)
{
    char pattern[] = "/tmp/tombrello-disk-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_error = std::strerror(errno);
        return;
    }
    m_path = QString::fromLocal8Bit(pattern);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    m_mounted = ::mount("tmpfs", pattern, "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    if (!m_mounted)
        m_error = std::string("mount -t tmpfs: ") + std::strerror(errno);
}

SmallDisk::~SmallDisk()
{
    const QByteArray path = QFile::encodeName(m_path);
    if (m_mounted)
        ::umount2(path.constData(), MNT_DETACH);
    if (!m_path.isEmpty())
        ::rmdir(path.constData());
}

WavHeader ReadWavHeader(const QString &file)
{
    WavHeader h;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return h;
    h.fileSize = f.size();
    const QByteArray head = f.read(4096);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return h;
    h.riff = true;
    h.riffSize = qint64(Le32(head, 4)) + 8;
    for (qsizetype at = 12; at + 8 <= head.size();) {
        const quint32 size = Le32(head, at + 4);
        if (head.mid(at, 4) == "data") {
            h.dataSize = size;
            h.dataBytes = h.fileSize - (at + 8);
            break;
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return h;
}

pid_t SpawnSelf(const std::string &test, const std::vector<std::pair<std::string, std::string>> &env)
{
    std::vector<std::string> items;
    for (char **e = environ; *e; ++e)
        items.emplace_back(*e);
    for (const auto &[key, value] : env)
        items.push_back(key + "=" + value);
    std::vector<char *> envp;
    for (std::string &s : items)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", also = "--gtest_also_run_disabled_tests", filter = "--gtest_filter=" + test;
    char *argv[] = {self.data(), also.data(), filter.data(), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()) == 0 ? pid : -1;
}

int WaitSelf(pid_t pid, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int raw = 0;
        const pid_t r = waitpid(pid, &raw, WNOHANG);
        if (r == pid)
            return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        if (r < 0)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Helpers of the fault suite: counts of what a process holds, a small file
// system that fills up, this test program run again as a child that records.
#pragma once

#include <QString>

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// Entries of /proc/self/fd and /proc/self/task.
int OpenFileCount();
int ThreadCount();

// A tmpfs of `bytes` mounted on a fresh folder (tests run as root), unmounted
// when the object goes. Mounted() is false where the sandbox forbids it.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool Mounted() const { return m_mounted; }
    QString Path() const { return m_path; }
    const std::string &Error() const { return m_error; }

private:
    QString m_path;
    bool m_mounted = false;
    std::string m_error;
};

// What the header of a RIFF/WAVE file claims against what the file holds.
struct WavHeader {
    bool riff = false;
    qint64 fileSize = 0;
    qint64 riffSize = -1; // the RIFF chunk's size field + 8
    qint64 dataSize = -1; // the data chunk's size field
    qint64 dataBytes = 0; // bytes after the data chunk's header
};
WavHeader ReadWavHeader(const QString &file);

// This test program again, as a child running one (normally disabled) test,
// with extra environment. Its pid, or -1.
pid_t SpawnSelf(const std::string &test, const std::vector<std::pair<std::string, std::string>> &env);
// Waits for the child (bounded); its exit status, 128 + signal, or -1.
int WaitSelf(pid_t pid, int timeoutMs);

// SPDX-License-Identifier: MIT
#pragma once
// A virtual serial line for tests: socat joins two pseudo-terminals, the
// program writes to one end and the test reads the other, with the time each
// byte arrived. Everything waits a bounded time; nothing here can hang.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tonvell::test {

class SocatPair {
public:
    SocatPair() = default;
    SocatPair(const SocatPair&) = delete;
    SocatPair& operator=(const SocatPair&) = delete;
    ~SocatPair() { Stop(); }

    // Starts socat; false (with the reason in why) when socat is missing or
    // the line did not come up within a few seconds.
    bool Start(QString& why);
    // The device paths of the two ends (/dev/pts/N).
    QString NearEnd() const { return near_; }
    QString FarEnd() const { return far_; }
    // The link socat made to the near end, outside /dev.
    QString NearLink() const;
    // Ends socat: both ends lose their far side, as an unplugged device.
    void Stop();

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString near_;
    QString far_;
};

struct TimedByte {
    std::uint8_t value;
    std::chrono::steady_clock::time_point time;
};

// Reads one end on its own thread from construction to destruction.
class LineReader {
public:
    explicit LineReader(const QString& path);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();

    bool Opened() const { return fd_ >= 0; }
    // Waits until count bytes have come, at most timeout; true when they did.
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout);
    std::vector<TimedByte> Bytes() const;
    std::vector<std::uint8_t> Values() const;

private:
    void Run();

    int fd_ = -1;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<TimedByte> bytes_;
    std::thread thread_;
};

}  // namespace tonvell::test

// SPDX-License-Identifier: MIT
#include "tests/support/socat_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace tonvell::test {

namespace {

constexpr int kStartTimeoutMs = 5000;

}  // namespace

QString SocatPair::NearLink() const {
    return dir_.filePath(QStringLiteral("near"));
}

bool SocatPair::Start(QString& why) {
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty()) {
        why = QStringLiteral("socat is not installed");
        return false;
    }
    if (!dir_.isValid()) {
        why = QStringLiteral("no temporary folder");
        return false;
    }
    const QString farLink = dir_.filePath(QStringLiteral("far"));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(socat, {QStringLiteral("pty,rawer,link=") + NearLink(),
                           QStringLiteral("pty,rawer,link=") + farLink});
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        why = QStringLiteral("socat did not start");
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!(QFileInfo::exists(NearLink()) && QFileInfo::exists(farLink))) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running) {
            why = QStringLiteral("socat made no pseudo-terminals");
            Stop();
            return false;
        }
        QThread::msleep(10);
    }
    near_ = QFileInfo(NearLink()).canonicalFilePath();
    far_ = QFileInfo(farLink).canonicalFilePath();
    return true;
}

void SocatPair::Stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(kStartTimeoutMs)) {
            process_.kill();
            process_.waitForFinished(kStartTimeoutMs);
        }
    }
}

LineReader::LineReader(const QString& path) {
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        return;
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    thread_ = std::thread([this] { Run(); });
}

LineReader::~LineReader() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void LineReader::Run() {
    while (!stop_) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0) {
            continue;
        }
        std::uint8_t buffer[256];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        const auto now = std::chrono::steady_clock::now();
        if (n <= 0) {
            // The far side is gone (EIO) or nothing was there: do not spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        {
            const std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) {
                bytes_.push_back({buffer[i], now});
            }
        }
        arrived_.notify_all();
    }
}

bool LineReader::WaitFor(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return bytes_.size() >= count; });
}

std::vector<TimedByte> LineReader::Bytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}

std::vector<std::uint8_t> LineReader::Values() const {
    std::vector<std::uint8_t> values;
    for (const TimedByte& byte : Bytes()) {
        values.push_back(byte.value);
    }
    return values;
}

}  // namespace tonvell::test

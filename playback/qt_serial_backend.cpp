// SPDX-License-Identifier: MIT
#include "playback/qt_serial_backend.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <set>

#include "platform/serial_port_hold.h"
#include "platform/serial_write.h"
#include "playback/sound_port.h"

namespace tonvell::playback {

namespace {

constexpr char kExtraPortsVariable[] = "TONVELL_SERIAL_PORTS";

// Nothing is read from the instrument, so the line is opened for writing
// only: no read buffer fills up and no read notifier runs.
constexpr QIODevice::OpenMode kOpenMode = QIODevice::WriteOnly;

QString FromLocal(const std::string& path) {
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

// A line of the instrument. Qt opens and sets it up on the window's thread;
// the player writes each pair on its own thread straight to the handle, given
// up after kSerialWriteTimeout. The port is then no thread's object, so that
// it may be closed on either.
class QtSerialLine final : public SerialLine {
public:
    explicit QtSerialLine(std::unique_ptr<QSerialPort> port)
        : port_(std::move(port)), handle_(static_cast<std::intptr_t>(port_->handle())) {
        port_->moveToThread(nullptr);
    }

    WriteResult WritePair(std::uint8_t first, std::uint8_t second) override {
        if (lost_) {
            return WriteResult::Lost;
        }
        switch (WriteSerialPair(handle_, first, second, kSerialWriteTimeout)) {
            case SerialWriteResult::Written:
                return WriteResult::Written;
            case SerialWriteResult::Failed:
                return WriteResult::Failed;
            case SerialWriteResult::Lost:
                break;
        }
        lost_ = true;
        return WriteResult::Lost;
    }

private:
    std::unique_ptr<QSerialPort> port_;
    std::intptr_t handle_;
    bool lost_ = false;
};

class QtSerialBackend final : public SerialBackend {
public:
    std::vector<std::string> Probe() override {
        std::vector<std::string> systemPorts;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
            systemPorts.push_back(info.portName().toStdString());  // "COM3"
#else
            systemPorts.push_back(info.systemLocation().toStdString());  // "/dev/ttyUSB0"
#endif
        }
        std::vector<std::string> listed;
        for (const std::string& name : SerialCandidates(
                 systemPorts, qEnvironmentVariable(kExtraPortsVariable).toStdString())) {
            QSerialPort port(FromLocal(name));
            if (port.open(kOpenMode)) {
                const bool free = HoldExclusively(port.handle());
                port.close();
                if (free) {
                    listed.push_back(name);
                }
            }
        }
        return listed;
    }

    OpenResult Open(const std::string& name, std::unique_ptr<SerialLine>& line) override {
        auto port = std::make_unique<QSerialPort>(FromLocal(name));
        if (!port->open(kOpenMode)) {
            switch (port->error()) {
                case QSerialPort::DeviceNotFoundError:
                case QSerialPort::PermissionError:  // held by another program
                case QSerialPort::OpenError:
                    return OpenResult::BusyOrAbsent;
                default:
                    return OpenResult::SettingsNotRead;  // opened, but not a serial line
            }
        }
        if (!HoldExclusively(port->handle())) {
            return OpenResult::BusyOrAbsent;  // locked by another program
        }
        if (!port->setBaudRate(9600) || !port->setDataBits(QSerialPort::Data8) ||
            !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop)) {
            return OpenResult::SettingsNotSet;
        }
        // Pseudo-terminals have no modem lines: these fail there, and the line
        // still works.
        port->setDataTerminalReady(true);
        port->setRequestToSend(true);
        port->clearError();
        line = std::make_unique<QtSerialLine>(std::move(port));
        return OpenResult::Opened;
    }
};

}  // namespace

std::vector<std::string> SerialCandidates(const std::vector<std::string>& systemPorts,
                                          const std::string& extraPorts) {
    std::set<std::string> names(systemPorts.begin(), systemPorts.end());
    std::size_t start = 0;
    while (start <= extraPorts.size()) {
        const std::size_t end = std::min(extraPorts.find(':', start), extraPorts.size());
        std::string path = extraPorts.substr(start, end - start);
        start = end + 1;
        if (path.empty()) {
            continue;
        }
        if (path.rfind("/dev/", 0) != 0) {
            const QString target = QFileInfo(FromLocal(path)).canonicalFilePath();
            if (!target.isEmpty()) {
                path = target.toLocal8Bit().toStdString();
            }
        }
        if (IsSerialEntry(path)) {
            names.insert(path);  // anything else would be taken for a MIDI device
        }
    }
    return {names.begin(), names.end()};
}

std::unique_ptr<SerialBackend> MakeQtSerialBackend() {
    return std::make_unique<QtSerialBackend>();
}

}  // namespace tonvell::playback

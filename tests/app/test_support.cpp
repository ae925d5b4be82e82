// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "tests/support/midi_builder.h"

namespace tonvell::test {

QByteArray FromBytes(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray Format0(int ticksPerQuarter, const QByteArray& events) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(events.constData());
    midi_test::Bytes track(data, data + events.size());
    const midi_test::Bytes end = midi_test::EndOfTrack();
    track.insert(track.end(), end.begin(), end.end());
    return FromBytes(midi_test::Format0(static_cast<std::uint16_t>(ticksPerQuarter), track));
}

QByteArray FloodFile() {
    // Each "Field too long" event also has a five-byte delta time: a second
    // message met thousands of times, first met after the first.
    midi_test::Bytes file = midi_test::FloodFile(30000);
    const midi_test::Bytes longLength = {0x81, 0x80, 0x80, 0x80, 0x00, 0xFF,
                                         0x01, 0x80, 0x80, 0x80, 0x80, 0x00};
    for (int i = 0; i < 2000; ++i)
        file.insert(file.end(), longLength.begin(), longLength.end());
    const auto length = static_cast<std::uint32_t>(file.size() - 22);
    for (int i = 0; i < 4; ++i)
        file[18 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    return FromBytes(file);
}

QByteArray SongFile() {
    return Format0(96, QByteArray("\x00\xFF\x51\x03\x07\xA1\x20"
                                  "\x00\x90\x3C\x64"
                                  "\x60\x80\x3C\x40",
                                  15));
}

QByteArray LongDeltaFile() {
    return Format0(96, QByteArray("\x81\x81\x81\x81\x00\x90\x3C\x64", 8));
}

ReadOnlyFolder::ReadOnlyFolder(const QString& folder, const QString& oldFile,
                               const QByteArray& oldBytes)
    : folder_(folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (geteuid() != 0) {
        WriteFile(oldFile, oldBytes);
        ready_ = QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        return;
    }
    static const bool privateNamespace =
        unshare(CLONE_NEWNS) == 0 &&
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!privateNamespace || mount("tonvell-test", path.constData(), "tmpfs", 0, "size=64k") != 0) {
        return;
    }
    mounted_ = true;
    WriteFile(oldFile, oldBytes);
    ready_ = mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (mounted_) {
        umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    } else {
        QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write fixture " + path.toStdString());
    }
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool HomeHeadsTheDriveList(const QComboBox& drives) {
    const QString home = QDir::cleanPath(QDir::homePath());
    if (QFileInfo(home).isDir()) {
        return drives.count() > 0 && drives.itemText(0) == home;
    }
    return drives.findText(home) < 0;
}

}  // namespace tonvell::test

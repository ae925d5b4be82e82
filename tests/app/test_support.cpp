#include "test_support.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QFile>
#include <stdexcept>

namespace tonvell::test {

QByteArray Format0(int ticksPerQuarter, const QByteArray& events) {
    const QByteArray track = events + QByteArray("\x00\xFF\x2F\x00", 4);
    QByteArray file("MThd\x00\x00\x00\x06\x00\x00\x00\x01", 12);
    file += static_cast<char>(ticksPerQuarter >> 8);
    file += static_cast<char>(ticksPerQuarter & 0xFF);
    file += "MTrk";
    const auto length = static_cast<quint32>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        file += static_cast<char>((length >> shift) & 0xFF);
    }
    return file + track;
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

}  // namespace tonvell::test

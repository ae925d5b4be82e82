#include "test_support.h"

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

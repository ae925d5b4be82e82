// SPDX-License-Identifier: MIT
#include "app/settings.h"

#include <QFile>

#include "app/profile_file.h"

namespace tonvell::app {

namespace {

constexpr std::string_view kSection = "Startup";
constexpr std::string_view kWindowSection = "Window";

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString SettingsPath(const QString& startFolder) {
    return startFolder.isEmpty() ? QString() : startFolder + QStringLiteral("/Cfg.ini");
}

StartupSettings ReadStartupSettings(const QString& path) {
    const ProfileFile file =
        ProfileFile::Load(QFile::encodeName(path).toStdString()).value_or(ProfileFile());
    StartupSettings settings;
    const auto read = [&file](std::string_view key, const QString& fallback) {
        return FromUtf8(file.ReadString(kSection, key, Utf8(fallback)));
    };
    settings.DataDirectory = read("DataDirectory", settings.DataDirectory);
    settings.ExtIndex = file.ReadInt(kSection, "ExtIndex", settings.ExtIndex);
    settings.SoundDeviceName = read("SoundDeviceName", settings.SoundDeviceName);
    settings.SoundDeviceTembre = read("SoundDeviceTembre", settings.SoundDeviceTembre);
    const QSize size(file.ReadInt(kWindowSection, "Width", 0),
                     file.ReadInt(kWindowSection, "Height", 0));
    if (!size.isEmpty()) {
        settings.WindowSize = size;
    }
    return settings;
}

bool WriteStartupSettings(const QString& path, const StartupSettings& settings) {
    const std::string file = QFile::encodeName(path).toStdString();
    std::optional<ProfileFile> profile = ProfileFile::Load(file);
    if (!profile) {
        return false;
    }
    const std::pair<std::string_view, QString> keys[] = {
        {"ExeDirectory", settings.ExeDirectory},
        {"DataDirectory", settings.DataDirectory},
        {"ExtIndex", QString::number(settings.ExtIndex)},
        {"SoundDevice", QString::number(settings.SoundDevice)},
        {"SoundDeviceName", settings.SoundDeviceName},
        {"SoundDeviceTembre", settings.SoundDeviceTembre},
    };
    for (const auto& [key, value] : keys) {
        // A value the file cannot hold (a line break) leaves the old one.
        profile->WriteString(kSection, key, Utf8(value));
    }
    if (settings.WindowSize.isValid()) {
        profile->WriteString(kWindowSection, "Width", std::to_string(settings.WindowSize.width()));
        profile->WriteString(kWindowSection, "Height",
                             std::to_string(settings.WindowSize.height()));
    }
    return ReplaceFileDurably(file, profile->Bytes());
}

}  // namespace tonvell::app

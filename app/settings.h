// SPDX-License-Identifier: MIT
#pragma once
// The user's choices kept between runs in Cfg.ini, section Startup: one field
// per key with its default. The window applies them at start-up and collects
// them at close; this module only reads and writes the file.

#include <QSize>
#include <QString>

namespace tonvell::app {

struct StartupSettings {
    // Written at close, never read back.
    QString ExeDirectory;
    // The folder the browser shows; a relative one is resolved against the
    // current folder at start-up.
    QString DataDirectory = QStringLiteral("./");
    // The save dialog's file type, unchecked.
    int ExtIndex = 1;
    // ComboBox11's selected index; written at close, never read back.
    int SoundDevice = 0;
    // The sound output, matched exactly against the output list.
    QString SoundDeviceName = QStringLiteral("None");
    // The instrument text.
    QString SoundDeviceTembre = QStringLiteral("73 Flute");
    // The window's size, in a section of its own (Window: Width, Height);
    // invalid when none is kept. Read only when both are positive numbers.
    QSize WindowSize;
};

// The settings file of a start folder: the folder followed by "/Cfg.ini";
// none (empty) for an unknown start folder (empty).
QString SettingsPath(const QString& startFolder);

// The four keys of Startup and the window's size that are read; a missing file, section or key
// gives the field's default, and so does a file that cannot be read, is no plain file or is far too
// large for a settings file.
StartupSettings ReadStartupSettings(const QString& path);

// Writes the six keys in their order, then the window's size when it is
// valid, keeping the rest of the file. False when
// the file could not be written, or was not read (it is then left alone);
// the old file is then unchanged.
bool WriteStartupSettings(const QString& path, const StartupSettings& settings);

}  // namespace tonvell::app

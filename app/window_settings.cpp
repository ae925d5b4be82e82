// SPDX-License-Identifier: MIT
// The window's start-up after its controls are built, and its closing: the
// settings of Cfg.ini applied to the controls and collected from them.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QTimer>

#include "app/player_window_view.h"
#include "app/settings.h"
#include "app/tform1.h"
#include "playback/listing_player.h"

namespace {

// Drive G:, where the tool's files were kept on the systems it came from.
// Drive lists without letters (every Unix) have no such drive.
constexpr QLatin1String kDriveG("G:/");

// The folder of a DataDirectory value: a relative one is taken from the
// current folder; nothing when it is no folder that can be shown.
QString ExistingFolder(const QString& value) {
    const QFileInfo folder(QDir::current(), value);
    if (!folder.isDir() || !folder.isReadable()) {
        return {};
    }
    return QDir::cleanPath(folder.absoluteFilePath());
}

// Chooses the item whose text is exactly text, or else the first item.
void ChooseExactly(QComboBox* box, const QString& text) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(0);
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text) {
            box->setCurrentIndex(i);
            break;
        }
    }
}

// Shows text in an editable list, as its item when it is one.
void ShowText(QComboBox* box, const QString& text) {
    const int item = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0) {
        box->setCurrentIndex(item);
    } else {
        box->setEditText(text);
    }
}

}  // namespace

void TForm1::StartUp() {
    // A start folder that no longer exists (a terminal left in a removed
    // folder) has no path, and then no settings file: the defaults apply and
    // nothing is written.
    StartFolder = QDir::currentPath().isEmpty() ? QString() : DirectoryListBox1->Directory();
    TryDriveG();
    const tonvell::app::StartupSettings settings =
        tonvell::app::ReadStartupSettings(tonvell::app::SettingsPath(StartFolder));
    const QString folder = ExistingFolder(settings.DataDirectory);
    OpenFolder(folder.isEmpty() ? StartFolder : folder);
    SaveDialog1.FilterIndex = settings.ExtIndex;
    soundPort_->FillOutputList();
    ChooseExactly(ComboBox11, settings.SoundDeviceName);
    UpdateInstrumentEnabled();
    ShowText(ComboBox12, settings.SoundDeviceTembre);
    // Once the window is on screen.
    QTimer::singleShot(0, this, [this] { RunHandler([this] { AnnounceRecoveredListings(); }); });
}

void TForm1::TryDriveG() {
    if (DriveComboBox1->findText(kDriveG, Qt::MatchFixedString) < 0) {
        return;
    }
    // Switching to a drive letter makes that drive's own current folder the
    // process's current folder.
    if (QDir::setCurrent(QStringLiteral("G:"))) {
        OpenFolder(QDir::currentPath());
    }
}

tonvell::app::StartupSettings TForm1::CollectSettings() const {
    tonvell::app::StartupSettings settings;
    settings.ExeDirectory = StartFolder;
    settings.DataDirectory = DirectoryListBox1->Directory();
    settings.ExtIndex = SaveDialog1.FilterIndex;
    settings.SoundDevice = tonvell::app::SelectedIndex(ComboBox11);
    settings.SoundDeviceName = ComboBox11->currentText();
    settings.SoundDeviceTembre = ComboBox12->currentText();
    return settings;
}

// Playback is stopped first, so that nothing is left sounding on an outside
// instrument once the program has ended; a file that cannot be written is
// not reported, and the next start uses the old values.
void TForm1::FormClose() {
    if (player_->Playing()) {
        Button5Click();
    }
    tonvell::app::WriteStartupSettings(tonvell::app::SettingsPath(StartFolder), CollectSettings());
}

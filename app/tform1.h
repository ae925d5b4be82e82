// SPDX-License-Identifier: MIT
#pragma once
// The program's one window. Its controls are the program's shared state and
// keep the numbered names other parts of the program use: the listing lives
// in Memo2, the event log in Memo1, the input report in Memo4, the statistics
// in Memo3, the save type in SaveDialog1.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/browser_widgets.h"
#include "app/channel_map.h"
#include "app/event_log_view.h"
#include "app/listing_box.h"
#include "app/message_boxes.h"
#include "app/save_dialog.h"
#include "app/settings.h"
#include "convert/conversion.h"
#include "platform/file_system.h"
#include "playback/sound_port.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tonvell::app {
class ArrangerChoices;
class ArrangementWindow;
struct InputRefusal;
class PlayedLineHighlight;
class PlayerWindowView;
class WindowLayout;
class TransportView;
}  // namespace tonvell::app
namespace tonvell::playback {
struct ListingTimeline;
class PlayerThread;
class SteadyClock;
struct PlaybackPosition;
}  // namespace tonvell::playback

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The design size: the window opens at it where the screen has room,
    // and may be made larger; smaller, its content scrolls.
    static constexpr int kClientWidth = 1037;
    static constexpr int kClientHeight = 349;
    // The least size the window can be made.
    static constexpr int kMinimumWidth = 320;
    static constexpr int kMinimumHeight = 200;

    // The window on this system's serial ports and MIDI devices.
    explicit TForm1(QWidget* parent = nullptr);
    // The window on the given devices (tests use recording ones).
    explicit TForm1(tonvell::playback::SoundBackends backends, QWidget* parent = nullptr);
    ~TForm1() override;

    // Browser.
    tonvell::app::DriveComboBox* DriveComboBox1 = nullptr;
    tonvell::app::DirectoryListBox* DirectoryListBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    tonvell::app::FileListBox* FileListBox1 = nullptr;

    // Input and output.
    QGroupBox* GroupBox2 = nullptr;
    QPlainTextEdit* Memo4 = nullptr;
    tonvell::app::EventLogView* Memo1 = nullptr;
    QPushButton* Button2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    tonvell::app::ListingBox* Memo2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button3 = nullptr;

    // Channel map, kept hidden. Channel k (1 to 10) has the label Label<k+2>,
    // the oscillator list ComboBox<k> and the trim box CheckBox<k>, as their
    // object names say; each sits at [k - 1] of its array.
    static constexpr int kChannels = tonvell::app::ChannelMap::kChannels;
    std::array<QLabel*, kChannels> ChannelLabels{};       // Label3 to Label12
    QLabel* Label13 = nullptr;                            // "Oscillators"
    QLabel* Label14 = nullptr;                            // "Trim"
    std::array<QComboBox*, kChannels> OscillatorBoxes{};  // ComboBox1 to ComboBox10
    std::array<QCheckBox*, kChannels> TrimBoxes{};        // CheckBox1 to CheckBox10

    // Player.
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox11 = nullptr;
    QLabel* Label15 = nullptr;
    QComboBox* ComboBox12 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QLabel* Label2 = nullptr;
    QTimer* Timer1 = nullptr;

    // Help and the unreachable button.
    QPlainTextEdit* Memo5 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;

    // Opens the choice of channels, transposition and notes kept.
    QPushButton* ChoicesButton = nullptr;

    tonvell::app::SaveDialogState SaveDialog1;

    // The process's current folder at launch, set once at start-up: Cfg.ini
    // is read from and written to this folder.
    QString StartFolder;

    // Event handlers.
    void FileListBox1Click();  // the file list's choice and Button2
    void Button1Click();       // copy all
    void Button3Click();       // save
    void Button7Click();       // help
    void ComboBox1Change(QComboBox* Sender);
    void CheckBox1Click(QCheckBox* Sender);
    void ComboBox11Change();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Timer1Timer();
    void Memo2Click();
    void Memo2KeyUp();
    void Button8Click();
    void FormClose();

    // Opens the folder of path and chooses the file, which converts it.
    // Returns false when the file is not in the list.
    bool OpenFile(const QString& path);
    // Opens a file handed to the window from outside (the program's argument,
    // a file dropped on the window) as choosing it in the browser would: an
    // edited listing is asked about first. A *.inc or *.txt file is read as
    // a listing. A file the list does not show
    // (another extension, or missing) is still converted, and reports itself
    // in the input box. False when the user kept the listing.
    bool OpenGivenFile(const QString& path);
    // Reads a saved or kept listing into the listing box, asking first
    // about an edited listing; false when the user kept it.
    bool OpenListingFile(const QString& path);
    // Where Ctrl+O and the listing box's menu ask for a listing file: the
    // platform's open dialog unless a test sets another (empty: cancelled).
    void SetOpenDialog(std::function<QString()> dialog) { openDialog_ = std::move(dialog); }
    // The conversion of one file into the four text boxes.
    void ConvertFile(const QString& path);
    void ShowConversion(const tonvell::ConversionResult& result);

    // The picture of the current file's arrangement in its own window (F2,
    // and the context menus of the listing box and the statistics).
    void ShowArrangementWindow();
    // The picture's window once it was opened, else null.
    tonvell::app::ArrangementWindow* ArrangementWindow() const { return arrangementWindow_; }

    // The choice of what the voices play, in its own window (F3).
    void ShowNoteChoices();
    tonvell::app::ArrangerChoices& NoteChoicesPanel() const { return *noteChoices_; }

    // The error box, for a failure that the user must hear of.
    void ReportError(const QString& text);
    // A plain message box titled with the application's title.
    void ShowMessage(const QString& text);

    // Playback: the sound output port and the listing player behind the
    // player group.
    tonvell::playback::SoundPort& SoundPort() { return *soundPort_; }
    tonvell::playback::PlayerThread& Player() { return *player_; }

    void SetMessageBoxes(std::unique_ptr<tonvell::app::MessageBoxes> boxes);
    void SetSaveDialogRunner(std::unique_ptr<tonvell::app::SaveDialogRunner> runner);
    // Where saves are written; the machine's file system unless a test
    // injects failures. files must outlive the window.
    void SetSaveFileSystem(const tonvell::FileSystem& files) { saveFiles_ = &files; }
    const tonvell::app::ChannelMap& ChannelMap() const { return channelMap_; }
    // The line being played, marked in the listing box.
    const tonvell::app::PlayedLineHighlight& PlayedLine() const { return *playedLine_; }
    // The time, the bar and the voices' lamps beside the player group.
    tonvell::app::TransportView* Transport() const { return transport_; }

    // Every control that never appears: channel map, help text, Button8.
    QList<QWidget*> HiddenControls() const;
    // The table that places the controls and lets them grow with the window.
    tonvell::app::WindowLayout& Layout() { return *layout_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void MakeBrowser();
    void MakeInputArea();
    void MakeChannelMap();
    void MakeOutputArea();
    void MakePlayer();
    void MakeHelp();
    void PlaceControls();
    // The window's size and place at start: the kept size (else the design
    // size) within the screen's available area, centred.
    void PlaceWindow(QSize kept);
    // The size kept for the next start; invalid when none is.
    QSize SizeToKeep() const;
    void NameControls();
    void WireHandlers();
    void SetTabOrder();
    void CreateShortcuts();
    // Each button's tooltip names its keys.
    void ShowKeysInTooltips();
    // The controls of an idle player, and Save and Play, which need a
    // listing in the box.
    void ShowIdleControls();
    void ChooseListingFile();
    void ShowListingFile(const QString& path);
    void UpdateListingActions();
    bool HasListing() const;
    // A file that gives no result: the report and the event log say why, and
    // the listing and statistics are left empty.
    void ShowRefusal(const tonvell::ConversionResult& result,
                     const tonvell::app::InputRefusal& refusal);
    // Shows where playback stands (Timer1, at the screen's pace while
    // playing, and after each of the player's buttons): the label, the
    // buttons, the played line, the picture's play-head. Only the latest
    // position is shown, however many steps the player made meanwhile.
    // measureListingNow: the listing's times are measured at once if it
    // changed (the player's buttons), else after a pause (typing, a new
    // conversion: a long listing takes tens of milliseconds to measure).
    void ShowPlayback(bool measureListingNow = false);
    // Marks the line sounding now (the player's line until the first
    // command is sent), or nothing once playback stopped.
    void UpdatePlayedLine(const tonvell::playback::PlaybackPosition& position);
    void UpdateTransport(const tonvell::playback::PlaybackPosition& position);
    void MeasureListing();
    // Closing: whether the window may close now, asking about an edited
    // listing unless a signal is closing it.
    bool MayClose();
    // After a signal's close: an edited listing is kept in a file.
    void KeepEditedListing();
    void AnnounceRecoveredListings();
    void EchoFileName();
    void CreatePlayback(tonvell::playback::SoundBackends backends);
    void Rewind();
    // The play-head follows the player's cursor; the picture says when the
    // listing box no longer holds the converted listing.
    void UpdateArrangementWindow();
    void ConnectArrangementWindow();
    void UpdateArrangementWindow(const tonvell::playback::PlaybackPosition& position);
    bool ArrangementContextMenu(QObject* watched, QEvent* event);
    // Saves the listing through the save dialog, proposing input's folder and
    // name; true when it was saved.
    bool SaveListingBox(const QString& input);
    // Start-up once the controls are built: the start folder, drive G:, and
    // the settings applied in their order.
    void StartUp();
    void TryDriveG();
    tonvell::app::StartupSettings CollectSettings() const;
    // A changed choice converts the file again, asking first about an
    // edited listing; kept, the listing keeps its choices too.
    void NoteChoicesChanged();
    // Runs a handler; an error escaping it is shown and the window goes on.
    void RunHandler(const std::function<void()>& handler);
    template <class Sender, class Signal>
    void Wire(Sender* sender, Signal signal, std::function<void()> handler);

    tonvell::app::ChannelMap channelMap_;
    std::unique_ptr<tonvell::app::WindowLayout> layout_;
    QSize keptSize_;    // the size Cfg.ini held at start; invalid when none
    QSize openedSize_;  // the size the window opened at
    std::unique_ptr<tonvell::app::MessageBoxes> messages_;
    std::unique_ptr<tonvell::app::SaveDialogRunner> saveDialog_;
    std::unique_ptr<tonvell::playback::SteadyClock> clock_;
    std::unique_ptr<tonvell::app::PlayerWindowView> playerView_;
    std::unique_ptr<tonvell::playback::SoundPort> soundPort_;
    std::unique_ptr<tonvell::playback::PlayerThread> player_;
    std::unique_ptr<tonvell::app::PlayedLineHighlight> playedLine_;
    const tonvell::FileSystem* saveFiles_ = &tonvell::SystemFileSystem();
    QString listingSource_;         // the file whose conversion fills the listing box
    bool listingFromFile_ = false;  // listingSource_ is a listing file, read back
    std::function<QString()> openDialog_;
    tonvell::app::ArrangementWindow* arrangementWindow_ = nullptr;
    bool arrangementCurrent_ = false;  // the picture is of the listing's conversion
    int convertedRevision_ = -1;       // the listing box's revision as converted
    tonvell::app::ArrangerChoices* noteChoices_ = nullptr;
    tonvell::NoteChoices convertedChoices_;  // the choices of the listing's conversion
    std::uint64_t shownChanges_ = 0;         // the player's position last shown
    tonvell::app::TransportView* transport_ = nullptr;
    std::unique_ptr<tonvell::playback::ListingTimeline> timeline_;
    int timelineRevision_ = -1;        // the listing box's revision it was measured at
    QTimer* timelineTimer_ = nullptr;  // measures the listing once the user pauses
    static constexpr int kListingMeasureDelayMs = 300;
    std::string shownLabel_ = "Line:";
    tonvell::playback::PlayerControls shownControls_;
};

// The one window of the program.
extern TForm1* Form1;

namespace tonvell::app {

// Shows an error that escaped an event handler in the error box.
void ReportEscapedError(const QString& text);

}  // namespace tonvell::app

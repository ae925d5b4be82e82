// SPDX-License-Identifier: MIT
#pragma once
// The player group of the window as the sound output port and the listing
// player see it: the listing box, its caret, the line label, the buttons and
// the two lists. The listing crosses as Windows-1251, one byte a character,
// as it is saved; everything else as UTF-8.
//
// The listing player runs on a thread of its own and reads the listing's
// lines there: it reads a copy, which the window's thread replaces whenever
// it next looks at the listing after a change (at the latest at the next
// frame it shows while playing). Everything else runs on the window's thread.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "playback/player_view.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tonvell::app {

struct PlayerControlsOfWindow {
    QPlainTextEdit* listing = nullptr;  // Memo2
    QLabel* lineLabel = nullptr;        // Label2
    QPushButton* play = nullptr;        // Button4
    QPushButton* stop = nullptr;        // Button5
    QComboBox* output = nullptr;        // ComboBox11
    QComboBox* instrument = nullptr;    // ComboBox12
    std::function<void(const QString&)> showMessage;
};

class PlayerWindowView final : public playback::PortView, public playback::PlayerView {
public:
    explicit PlayerWindowView(PlayerControlsOfWindow controls);

    int OutputCount() const override;
    std::string OutputItem(int index) const override;
    void AppendOutput(const std::string& name) override;
    int SelectedOutput() const override;
    std::string OutputText() const override;
    std::string InstrumentText() const override;
    void SetInstrumentEnabled(bool enabled) override;

    int LineCount() const override;
    std::string Line(int index) const override;
    int CaretPosition() const override;
    void SetLineLabel(const std::string& text) override;
    void SetControls(const playback::PlayerControls& controls) override;

    void ShowMessage(const std::string& text) override;

    // Where line index (from 0) lies in the listing box's text: its first
    // character and the one after its last, line break excluded.
    struct Span {
        int start = 0;
        int end = 0;
    };
    Span LineSpan(int index) const;
    // Hands the player the listing as it stands now, if it changed. Called
    // on the window's thread.
    void Refresh() const;

private:
    // The listing's lines, read from its text once after each change: a
    // block of the box holds many lines, and the player asks for one line
    // at every tick. Never changed once made.
    struct ListingText {
        QString text;
        std::vector<qsizetype> lineStarts;
    };
    using Snapshot = std::shared_ptr<const ListingText>;
    // The current copy; on the window's thread made afresh after a change.
    Snapshot Listing() const;
    static QString LineOfListing(const ListingText& listing, int index);

    PlayerControlsOfWindow c_;
    mutable std::mutex mutex_;  // guards listing_
    mutable Snapshot listing_;
    mutable bool stale_ = true;  // the window's thread only
    QObject changes_;            // ends the watch on the listing with this view
};

// The item chosen in an editable list, -1 once the user typed another text.
int SelectedIndex(const QComboBox* box);

}  // namespace tonvell::app

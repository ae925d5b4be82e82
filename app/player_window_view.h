// SPDX-License-Identifier: MIT
#pragma once
// The player group of the window as the sound output port and the listing
// player see it: the listing box, its caret, the line label, the buttons and
// the two lists. The listing crosses as Windows-1251, one byte a character,
// as it is saved; everything else as UTF-8.

#include <QObject>
#include <QString>
#include <functional>
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

private:
    // The listing's lines, read from its text once after each change: a
    // block of the box holds many lines, and the player asks for one line
    // at every tick.
    struct ListingText {
        QString text;
        std::vector<qsizetype> lineStarts;
        bool stale = true;
    };
    const ListingText& Listing() const;
    QString LineOfListing(int index) const;

    PlayerControlsOfWindow c_;
    mutable ListingText listing_;
    QObject changes_;  // ends the watch on the listing with this view
};

// The item chosen in an editable list, -1 once the user typed another text.
int SelectedIndex(const QComboBox* box);

}  // namespace tonvell::app

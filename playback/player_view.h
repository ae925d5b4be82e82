// SPDX-License-Identifier: MIT
#pragma once
// What the sound output port and the listing player see of the window. The
// window implements both over its controls; tests implement them over plain
// values. Text is UTF-8, except the listing's lines and its caret: those are
// 8-bit Windows-1251, as the listing is saved, so every character counts one.

#include <string>

namespace tonvell::playback {

// The output list (ComboBox11), the instrument box (ComboBox12) and the
// port's message boxes.
class PortView {
public:
    virtual ~PortView() = default;
    virtual int OutputCount() const = 0;
    virtual std::string OutputItem(int index) const = 0;
    virtual void AppendOutput(const std::string& name) = 0;
    // The index of the chosen item; -1 when none is chosen or the text was
    // typed and is not the chosen item's.
    virtual int SelectedOutput() const = 0;
    // The text the output box shows, typed or chosen.
    virtual std::string OutputText() const = 0;
    virtual std::string InstrumentText() const = 0;
    virtual void SetInstrumentEnabled(bool enabled) = 0;
    // A modal box with one OK button; returns when the user closed it.
    virtual void ShowMessage(const std::string& text) = 0;
};

// The enabled states that playing and idle switch.
struct PlayerControls {
    bool play = true;        // Button4
    bool stop = false;       // Button5
    bool output = true;      // ComboBox11
    bool instrument = true;  // ComboBox12
    friend bool operator==(const PlayerControls&, const PlayerControls&) = default;
};

// The listing (Memo2), its caret, the line label (Label2), the buttons and
// lists the player switches, and the player's message box.
class PlayerView {
public:
    virtual ~PlayerView() = default;
    // The number of lines; a last line that is empty is not counted.
    virtual int LineCount() const = 0;
    // Line index (from 0) in Windows-1251; a line at or past the end reads
    // as empty.
    virtual std::string Line(int index) const = 0;
    // The start of the selection, in characters from the start of the text,
    // each line break counting two (CR LF).
    virtual int CaretPosition() const = 0;
    virtual void SetLineLabel(const std::string& text) = 0;
    virtual void SetControls(const PlayerControls& controls) = 0;
    // A modal box with one OK button; returns when the user closed it.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace tonvell::playback

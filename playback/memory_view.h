// SPDX-License-Identifier: MIT
#pragma once
// The port's and the player's view of a window that is not there: the
// output list, the instrument text and the listing held as plain values.
// The command line and the benchmarks play listings through it; tests
// record what it is told.

#include <string>
#include <string_view>
#include <vector>

#include "playback/player_view.h"

namespace tonvell::playback {

class MemoryView : public PortView, public PlayerView {
public:
    // PortView
    int OutputCount() const override { return static_cast<int>(outputs.size()); }
    std::string OutputItem(int index) const override;
    void AppendOutput(const std::string& name) override { outputs.push_back(name); }
    int SelectedOutput() const override { return selected; }
    std::string OutputText() const override;
    std::string InstrumentText() const override { return instrument; }
    void SetInstrumentEnabled(bool enabled) override { instrumentEnabled = enabled; }

    // PlayerView
    int LineCount() const override;
    std::string Line(int index) const override;
    int CaretPosition() const override { return caret; }
    void SetLineLabel(const std::string& text) override { label = text; }
    void SetControls(const PlayerControls& state) override { controls = state; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    // Chooses the output list's item of this text; a text not in the list
    // is taken as typed, with no item chosen. True when an item was chosen.
    bool Choose(const std::string& output);
    // The listing's text, split into lines at LF or CR LF, as the listing
    // box holds it (Windows-1251).
    void SetListing(std::string_view text);

    std::vector<std::string> outputs{"none"};
    int selected = 0;
    std::string typedOutput;
    std::string instrument = "73 Flute";
    bool instrumentEnabled = true;

    std::vector<std::string> lines{""};
    int caret = 0;
    std::string label = "Line:";
    PlayerControls controls;
    std::vector<std::string> messages;
};

}  // namespace tonvell::playback

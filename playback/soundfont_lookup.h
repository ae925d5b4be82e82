// SPDX-License-Identifier: MIT
#pragma once
// Which General MIDI SoundFont the built-in synthesizer plays with.

#include <optional>
#include <string>
#include <vector>

namespace tonvell::playback {

struct FluidApi;

// The places to look, best first: the file named by the environment variable
// TONVELL_SOUNDFONT, FluidSynth's own default, then the system's default GM
// SoundFont (Debian points /usr/share/sounds/sf2/default-GM.sf2 at the best
// one installed, so a user who installs a better one gets it), and last the
// small one Tonvell's set-up installs.
std::vector<std::string> SoundFontCandidates(const FluidApi& api);

// Whether path is a readable file that holds a SoundFont (links followed).
// Checked before FluidSynth sees the file: given anything else, it hands the
// file to another loader, which prints its complaints to the terminal.
bool IsSoundFontFile(const std::string& path);

// Why path is no SoundFont file ("No such file or directory", "a folder",
// "not a SoundFont"...); empty when it is one.
std::string SoundFontProblem(const std::string& path);

// Why the SoundFont the user chose with TONVELL_SOUNDFONT cannot be taken,
// as a sentence naming it; empty when none was chosen or it is a SoundFont.
// A choice that cannot be taken is reported, never passed over: a mistyped
// name would otherwise go unnoticed.
std::string ChosenSoundFontProblem();

// The first candidate that IsSoundFontFile.
std::optional<std::string> FindSoundFont(const std::vector<std::string>& candidates);

}  // namespace tonvell::playback

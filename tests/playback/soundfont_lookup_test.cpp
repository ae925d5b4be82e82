// SPDX-License-Identifier: MIT
// Which SoundFont the built-in synthesizer takes.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "playback/fluid_library.h"
#include "playback/soundfont_lookup.h"
#include "tests/support/temp_folder.h"

namespace tonvell::playback {
namespace {

namespace fs = std::filesystem;

TEST(SoundFontLookup, TakesTheFirstSoundFontFile) {
    const test::TempFolder folder;
    const fs::path& dir = folder.Path();
    fs::create_directories(dir / "folder.sf2");
    const std::string soundFont("RIFF\x04\0\0\0sfbk", 12);
    std::ofstream(dir / "short.sf2") << "RIFF";
    std::ofstream(dir / "wave.sf2") << "RIFF\x04\0\0\0WAVE";
    std::ofstream(dir / "second.sf2") << soundFont;
    std::ofstream(dir / "third.sf2") << soundFont;
    fs::create_symlink(dir / "gone.sf2", dir / "dangling.sf2");
    fs::create_symlink(dir / "third.sf2", dir / "link.sf2");

    const std::string d = dir.string() + "/";
    EXPECT_EQ(FindSoundFont({d + "missing.sf2", d + "folder.sf2", d + "dangling.sf2",
                             d + "short.sf2", d + "wave.sf2", d + "second.sf2", d + "third.sf2"}),
              d + "second.sf2");
    EXPECT_EQ(FindSoundFont({d + "dangling.sf2", d + "link.sf2"}), d + "link.sf2");
    EXPECT_EQ(FindSoundFont({d + "missing.sf2"}), std::nullopt);
    EXPECT_EQ(FindSoundFont({}), std::nullopt);
}

// The user's choice first, the system's default GM SoundFont (which a
// better SoundFont, once installed, takes over) before the small one.
TEST(SoundFontLookup, CandidatesPutTheUsersAndTheSystemsDefaultFirst) {
    const FluidApi* api = LoadFluidSynth();
    ASSERT_NE(api, nullptr);
    ::setenv("TONVELL_SOUNDFONT", "/home/u/Better.sf2", 1);
    const auto withChoice = SoundFontCandidates(*api);
    ::unsetenv("TONVELL_SOUNDFONT");
    const auto candidates = SoundFontCandidates(*api);

    ASSERT_FALSE(withChoice.empty());
    EXPECT_EQ(withChoice.front(), "/home/u/Better.sf2");
    EXPECT_EQ(std::vector(withChoice.begin() + 1, withChoice.end()), candidates);
    const auto at = [&](const std::string& path) {
        return std::find(candidates.begin(), candidates.end(), path) - candidates.begin();
    };
    EXPECT_LT(at("/usr/share/sounds/sf2/default-GM.sf2"), at("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    EXPECT_EQ(candidates.back(), "/usr/share/sounds/sf2/TimGM6mb.sf2");
}

}  // namespace
}  // namespace tonvell::playback

// SPDX-License-Identifier: MIT
// The built-in synthesizer device: when it opens, when it refuses and what it
// tells the user then, and that neither prints anything nor keeps anything
// after closing.

#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "playback/fluid_library.h"
#include "playback/fluid_synth_backend.h"
#include "tests/support/temp_folder.h"

namespace tonvell::playback {
namespace {

namespace fs = std::filesystem;

class FluidSynthBackendTest : public ::testing::Test {
protected:
    // A device that writes its sound into a file (FluidSynth's "file"
    // driver), so the whole open path runs without a sound card.
    FluidSynthBackend::Setup ToFile(const fs::path& file) const {
        FluidSynthBackend::Setup setup;
        setup.audioDrivers = {"file"};
        setup.audioSettings = {{"audio.file.name", file.string()}, {"audio.file.type", "raw"}};
        return setup;
    }

    test::TempFolder folder_;
    const fs::path& dir_ = folder_.Path();
};

TEST_F(FluidSynthBackendTest, ListsOneDeviceWithTheSynthesizersName) {
    FluidSynthBackend backend;
    EXPECT_EQ(backend.DeviceNames(), std::vector<std::string>{kBuiltInSynthesizerName});
}

// A SoundFont chosen with TONVELL_SOUNDFONT that cannot be taken is named,
// with what to change, rather than another one sounding instead.
TEST_F(FluidSynthBackendTest, ChosenSoundFontThatCannotBeTakenIsNamed) {
    const std::string missing = (dir_ / "missing.sf2").string();
    ::setenv("TONVELL_SOUNDFONT", missing.c_str(), 1);
    FluidSynthBackend chosen(ToFile(dir_ / "out.raw"));
    EXPECT_EQ(chosen.Open(0), nullptr);
    ::unsetenv("TONVELL_SOUNDFONT");
    EXPECT_EQ(chosen.LastFailure(), FluidSynthBackend::Failure::ChosenSoundFont);
    EXPECT_NE(chosen.OpenFailure().find(missing), std::string::npos) << chosen.OpenFailure();
    EXPECT_NE(chosen.OpenFailure().find("Correct TONVELL_SOUNDFONT"), std::string::npos);
}

// Where FluidSynth cannot be loaded the list offers no device that could
// never open.
TEST_F(FluidSynthBackendTest, ListsNothingWithoutTheLibrary) {
    FluidSynthBackend::Setup setup;
    setup.libraryInstallable = [] { return false; };
    EXPECT_TRUE(FluidSynthBackend(setup).DeviceNames().empty());
}

TEST_F(FluidSynthBackendTest, OpensPlaysAndClosesAgainAndAgain) {
    FluidSynthBackend backend(ToFile(dir_ / "out.raw"));
    for (int round = 0; round < 5; ++round) {
        auto device = backend.Open(0);
        ASSERT_NE(device, nullptr) << "round " << round;
        for (std::uint8_t c = 0; c < 15; ++c) {
            device->Send({static_cast<std::uint8_t>(0xC0 + c), 73, 0});
        }
        device->Send({0xB0, 0x78, 0x00});
        device->Send({0x90, 60, 112});
        device->Send({0x90, 60, 0});
        device->Reset();
    }
    EXPECT_TRUE(fs::exists(dir_ / "out.raw"));
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> drivers;
    std::string outputFile;  // under the test's folder
    std::string soundFont;   // "" the system's, or a file made from soundFontBytes
    std::string soundFontBytes;
    FluidSynthBackend::Failure failure;
    std::string told;  // a part of the message the user is shown
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusalTest : public FluidSynthBackendTest,
                    public ::testing::WithParamInterface<RefusalCase> {};

// Each way of failing gives no device, prints nothing (neither FluidSynth's
// logger nor the ALSA library's), tells the user which part is missing and
// what to do, and leaves a later open unharmed.
TEST_P(RefusalTest, GivesNoDeviceAndPrintsNothing) {
    const RefusalCase& c = GetParam();
    FluidSynthBackend::Setup setup;
    setup.audioDrivers = c.drivers;
    setup.audioSettings = {{"audio.file.name", (dir_ / c.outputFile).string()}};
    if (!c.soundFontBytes.empty()) {
        std::ofstream(dir_ / c.soundFont) << c.soundFontBytes;
        setup.soundFonts = {(dir_ / c.soundFont).string()};
    } else if (!c.soundFont.empty()) {
        setup.soundFonts = {c.soundFont};
    }
    if (c.failure == FluidSynthBackend::Failure::NoLibrary) {
        setup.loadLibrary = [] { return static_cast<const FluidApi*>(nullptr); };
    }
    FluidSynthBackend backend(setup);
    ::testing::internal::CaptureStderr();
    auto device = backend.Open(0);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(backend.LastFailure(), c.failure);
    EXPECT_NE(backend.OpenFailure().find(c.told), std::string::npos) << backend.OpenFailure();
    EXPECT_EQ(TakeFluidError(), "") << "errors of a failed open are not kept";

    FluidSynthBackend working(ToFile(dir_ / "after.raw"));
    EXPECT_NE(working.Open(0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(RefusalCase{"NoLibrary",
                                  {"file"},
                                  "out.raw",
                                  "",
                                  "",
                                  FluidSynthBackend::Failure::NoLibrary,
                                  "Install the package libfluidsynth3"},
                      RefusalCase{"NoDriverBuiltIn",
                                  {"no-such-driver"},
                                  "out.raw",
                                  "",
                                  "",
                                  FluidSynthBackend::Failure::NoAudio,
                                  "cannot reach an audio output"},
                      RefusalCase{"OutputCannotOpen",
                                  {"file"},
                                  "missing-folder/out.raw",
                                  "",
                                  "",
                                  FluidSynthBackend::Failure::NoAudio,
                                  "PipeWire, PulseAudio or ALSA"},
                      RefusalCase{"SoundFontMissing",
                                  {"file"},
                                  "out.raw",
                                  "/nonexistent/none.sf2",
                                  "",
                                  FluidSynthBackend::Failure::NoSoundFont,
                                  "Install the package fluid-soundfont-gm"},
                      RefusalCase{"NotASoundFont",
                                  {"file"},
                                  "out.raw",
                                  "text.sf2",
                                  "not a SoundFont",
                                  FluidSynthBackend::Failure::NoSoundFont,
                                  "found no SoundFont"},
                      RefusalCase{"BrokenSoundFont",
                                  {"file"},
                                  "out.raw",
                                  "broken.sf2",
                                  std::string("RIFF\x40\0\0\0sfbkLIST\xFF\xFF\0\0INFO", 24),
                                  FluidSynthBackend::Failure::BadSoundFont,
                                  "broken.sf2"}),
    [](const auto& info) { return std::string(info.param.name); });

// The allocator's count of bytes in use, after opening and closing the
// device many times, stays where the first rounds left it (FluidSynth loads
// libraries once; a leak would add up round by round). AddressSanitizer keeps
// its own books, and its leak check does not see memory that GLib's type
// system still points to, so this measures the plain build.
TEST_F(FluidSynthBackendTest, OpeningAgainAndAgainHoldsNoMoreMemory) {
    if (mallinfo2().uordblks == 0)
        GTEST_SKIP() << "the allocator does not count (a sanitizer build)";
    FluidSynthBackend backend(ToFile(dir_ / "out.raw"));
    FluidSynthBackend silent({{"no-such-driver"}, {}, {}, {}, {}});
    const auto round = [&] {
        auto device = backend.Open(0);
        ASSERT_NE(device, nullptr);
        device->Send({0xC0, 73, 0});
        device->Send({0x90, 60, 112});
        device->Reset();
        EXPECT_EQ(silent.Open(0), nullptr);
    };
    for (int i = 0; i < 5; ++i) {
        round();
    }
    const std::size_t before = mallinfo2().uordblks;
    constexpr int kRounds = 20;
    for (int i = 0; i < kRounds; ++i) {
        round();
    }
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_LT(after, before + kRounds * 300)
        << before << " bytes in use before, " << after << " after " << kRounds << " rounds";
}

TEST_F(FluidSynthBackendTest, OnlyItsOneDeviceOpens) {
    FluidSynthBackend backend(ToFile(dir_ / "out.raw"));
    EXPECT_EQ(backend.Open(1), nullptr);
}

// The desktop's drivers: where there is no sound (a container) the open
// fails quietly; where there is, the device opens. Either way nothing is
// printed. A home folder that does not exist (as on a package build
// machine) makes the sound server's client library complain itself, which is
// no message of ours: the test then lends it a home.
TEST_F(FluidSynthBackendTest, DesktopAudioOpensOrFailsQuietly) {
    const char* home = std::getenv("HOME");
    const std::string kept = home != nullptr ? home : "";
    std::error_code error;
    const bool lend = kept.empty() || !fs::is_directory(kept, error);
    if (lend) {
        setenv("HOME", dir_.c_str(), 1);
    }
    FluidSynthBackend backend;
    ::testing::internal::CaptureStderr();
    { auto device = backend.Open(0); }
    const std::string printed = ::testing::internal::GetCapturedStderr();
    if (lend && home != nullptr) {
        setenv("HOME", kept.c_str(), 1);
    } else if (lend) {
        unsetenv("HOME");
    }
    EXPECT_EQ(printed, "");
}

}  // namespace
}  // namespace tonvell::playback

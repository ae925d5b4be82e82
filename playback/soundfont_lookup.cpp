// SPDX-License-Identifier: MIT
#include "playback/soundfont_lookup.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "playback/fluid_library.h"
#include "playback/user_text.h"

namespace tonvell::playback {

namespace {

constexpr char kChoiceVariable[] = "TONVELL_SOUNDFONT";

constexpr const char* kSystemSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

std::string FluidDefaultSoundFont(const FluidApi& api) {
    fluid_settings_t* settings = api.newSettings();
    if (!settings) {
        return "";
    }
    char* path = nullptr;
    std::string result;
    if (api.getStrDefault(settings, "synth.default-soundfont", &path) == FLUID_OK && path) {
        result = path;
    }
    api.deleteSettings(settings);
    return result;
}

}  // namespace

std::vector<std::string> SoundFontCandidates(const FluidApi& api) {
    std::vector<std::string> candidates;
    if (const char* chosen = std::getenv(kChoiceVariable); chosen && *chosen) {
        candidates.emplace_back(chosen);
    }
    if (std::string fluidDefault = FluidDefaultSoundFont(api); !fluidDefault.empty()) {
        candidates.push_back(std::move(fluidDefault));
    }
    candidates.insert(candidates.end(), std::begin(kSystemSoundFonts), std::end(kSystemSoundFonts));
    return candidates;
}

std::string SoundFontProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) {
        return ec.message();
    }
    if (fs::is_directory(status)) {
        return UserText(TONVELL_TEXT("tonvell::playback", "a folder, not a SoundFont"));
    }
    if (!fs::is_regular_file(status)) {
        return UserText(TONVELL_TEXT("tonvell::playback", "not a plain file"));
    }
    // A RIFF file of form "sfbk" (SoundFont 2, and 3 with compressed samples).
    char header[12] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::strerror(errno);
    }
    if (!in.read(header, sizeof header) || std::string_view(header, 4) != "RIFF" ||
        std::string_view(header + 8, 4) != "sfbk") {
        return UserText(TONVELL_TEXT("tonvell::playback", "not a SoundFont"));
    }
    return "";
}

bool IsSoundFontFile(const std::string& path) {
    return SoundFontProblem(path).empty();
}

std::string ChosenSoundFontProblem() {
    const char* chosen = std::getenv(kChoiceVariable);
    if (!chosen || !*chosen) {
        return "";
    }
    const std::string problem = SoundFontProblem(chosen);
    if (problem.empty()) {
        return "";
    }
    return UserText(TONVELL_TEXT("tonvell::playback", "%1 names %2: %3"),
                    {kChoiceVariable, chosen, problem});
}

std::optional<std::string> FindSoundFont(const std::vector<std::string>& candidates) {
    for (const auto& path : candidates) {
        if (IsSoundFontFile(path)) {
            return path;
        }
    }
    return std::nullopt;
}

}  // namespace tonvell::playback

// SPDX-License-Identifier: MIT
#include "playback/soundfont_lookup.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "playback/fluid_library.h"

namespace tonvell::playback {

namespace {

constexpr const char* kSystemSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

std::string FluidDefaultSoundFont(const FluidApi& api) {
    fluid_settings_t* settings = api.newSettings();
    if (!settings)
        return "";
    char* path = nullptr;
    std::string result;
    if (api.getStrDefault(settings, "synth.default-soundfont", &path) == FLUID_OK && path)
        result = path;
    api.deleteSettings(settings);
    return result;
}

}  // namespace

std::vector<std::string> SoundFontCandidates(const FluidApi& api) {
    std::vector<std::string> candidates;
    if (const char* chosen = std::getenv("TONVELL_SOUNDFONT"); chosen && *chosen)
        candidates.emplace_back(chosen);
    if (std::string fluidDefault = FluidDefaultSoundFont(api); !fluidDefault.empty())
        candidates.push_back(std::move(fluidDefault));
    candidates.insert(candidates.end(), std::begin(kSystemSoundFonts), std::end(kSystemSoundFonts));
    return candidates;
}

bool IsSoundFontFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    // A RIFF file of form "sfbk" (SoundFont 2, and 3 with compressed samples).
    char header[12] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(header, sizeof header) && std::string_view(header, 4) == "RIFF" &&
           std::string_view(header + 8, 4) == "sfbk";
}

std::optional<std::string> FindSoundFont(const std::vector<std::string>& candidates) {
    for (const auto& path : candidates) {
        if (IsSoundFontFile(path))
            return path;
    }
    return std::nullopt;
}

}  // namespace tonvell::playback

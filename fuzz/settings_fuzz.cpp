// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary bytes as a settings file, into which one of the
// window's keys is written. The input is a key number, a value length and
// the value, then the file. Besides the sanitizers' findings it checks that
//  - a value the file cannot hold (a line break) is refused, the file unchanged;
//  - a written key reads back as written (cut to the length a read keeps);
//  - every other key reads as before, in this file and when the written
//    bytes are read again, as the next start reads them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/profile_file.h"

namespace {

using tonvell::app::kProfileValueLimit;
using tonvell::app::ProfileFile;

constexpr std::string_view kSection = "Startup";
constexpr std::string_view kKeys[] = {"ExeDirectory", "DataDirectory",   "ExtIndex",
                                      "SoundDevice",  "SoundDeviceName", "SoundDeviceTembre"};
constexpr std::size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Values come from the window as UTF-8; other bytes are no value it writes.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || i + length > text.size())
            return false;
        const std::u8string_view piece(reinterpret_cast<const char8_t*>(text.data() + i), length);
        for (std::size_t k = 1; k < length; ++k) {
            if ((piece[k] & 0xC0) != 0x80)
                return false;
        }
        // Overlong forms, surrogates and code points above U+10FFFF.
        const auto second = static_cast<unsigned char>(piece.size() > 1 ? piece[1] : 0);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        i += length;
    }
    return true;
}

// The first count characters of UTF-8 text.
std::string FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return std::string(text.substr(0, i));
}

// What reading gives for a written value: blanks and quotes the write put in
// quotes come back, so the value as it stands.
std::string Expected(std::string_view value) {
    return FirstCharacters(value, kProfileValueLimit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t key = data[0] % kKeyCount;
    const std::size_t length = std::min<std::size_t>(data[1], size - 2);
    const std::string value(reinterpret_cast<const char*>(data + 2), length);
    const std::string file(reinterpret_cast<const char*>(data + 2 + length), size - 2 - length);
    if (!IsUtf8(value))
        return 0;

    ProfileFile profile(file);
    std::string before[kKeyCount];
    for (std::size_t k = 0; k < kKeyCount; ++k)
        before[k] = profile.ReadString(kSection, kKeys[k], "\n");

    const bool holdsLineBreak =
        value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
    const bool written = profile.WriteString(kSection, kKeys[key], value);
    Check(written != holdsLineBreak);
    if (!written) {
        Check(profile.Bytes() == file);
        return 0;
    }
    const ProfileFile& changed = profile;
    const ProfileFile reread(profile.Bytes());
    for (const ProfileFile* after : {&changed, &reread}) {
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            const std::string read = after->ReadString(kSection, kKeys[k], "\n");
            Check(read == (k == key ? Expected(value) : before[k]));
        }
    }
    return 0;
}

// SPDX-License-Identifier: MIT
#include "playback/user_text.h"

namespace tonvell::playback {

namespace {

TextTranslator installed = nullptr;

}  // namespace

void SetTextTranslator(TextTranslator translator) {
    installed = translator;
}

std::string UserText(const char* text, std::initializer_list<std::string_view> parts) {
    const std::string pattern = installed ? installed(kTextContext, text) : std::string(text);
    std::string result;
    result.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto part = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && part < parts.size()) {
            result += parts.begin()[part];
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

}  // namespace tonvell::playback

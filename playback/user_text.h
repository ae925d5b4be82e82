// SPDX-License-Identifier: MIT
#pragma once
// The playback's messages to its user (the built-in synthesizer's, and its
// name in the output list) are written in English and put into the user's
// language by a translator the program installs: the window installs Qt's
// translations, the command line none, so there they stay English.
//
// TONVELL_TEXT marks a text for Qt's lupdate, which is told that it is
// QT_TRANSLATE_NOOP; every text marked so has the context kTextContext.

#include <initializer_list>
#include <string>
#include <string_view>

#define TONVELL_TEXT(context, text) text

namespace tonvell::playback {

inline constexpr char kTextContext[] = "tonvell::playback";

// Returns text of context in the user's language, or text itself where it
// has no translation.
using TextTranslator = std::string (*)(const char* context, const char* text);

// Installs translator for every later UserText; null leaves texts English.
void SetTextTranslator(TextTranslator translator);

// text (marked with TONVELL_TEXT) in the user's language, with %1 to %9
// replaced by parts in turn; a part is put in as it stands, never scanned.
std::string UserText(const char* text, std::initializer_list<std::string_view> parts = {});

}  // namespace tonvell::playback

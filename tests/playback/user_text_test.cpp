// SPDX-License-Identifier: MIT
// The playback's messages in the user's language: the installed translator
// gives the wording, and the parts filled in are put in as they stand.

#include "playback/user_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tonvell::playback {
namespace {

// Stands for the window's translations: two texts with a translation,
// every other left as it is.
std::string Pretend(const char* context, const char* text) {
    const std::string wanted(text);
    if (std::string(context) != kTextContext) {
        return wanted;
    }
    if (wanted == "%1 names %2: %3") {
        return "%1 указывает на %2: %3";
    }
    if (wanted == "not a SoundFont") {
        return "не SoundFont";
    }
    return wanted;
}

class UserTextTest : public ::testing::Test {
protected:
    ~UserTextTest() override { SetTextTranslator(nullptr); }
};

struct FillCase {
    const char* text;
    std::initializer_list<std::string_view> parts;
    const char* expected;
};

TEST_F(UserTextTest, FillsPartsInTurnWithoutScanningThem) {
    const FillCase cases[] = {
        {"plain", {}, "plain"},
        {"%1 names %2: %3", {"VAR", "/a b", "why"}, "VAR names /a b: why"},
        // The order of the parts is the text's: a translation may turn it.
        {"%2 before %1", {"one", "two"}, "two before one"},
        // A path that holds a placeholder of its own stays as it is.
        {"file %1 and %2", {"/tmp/%2%", "x"}, "file /tmp/%2% and x"},
        // Percent signs that are no placeholder, and one with no part.
        {"100% at %3 and %", {"a"}, "100% at %3 and %"},
    };
    for (const FillCase& c : cases) {
        EXPECT_EQ(UserText(c.text, c.parts), c.expected) << c.text;
    }
}

TEST_F(UserTextTest, TheInstalledTranslatorGivesTheWordingUntilTakenAway) {
    SetTextTranslator(&Pretend);
    EXPECT_EQ(
        UserText("%1 names %2: %3", {"TONVELL_SOUNDFONT", "/x.sf2", UserText("not a SoundFont")}),
        "TONVELL_SOUNDFONT указывает на /x.sf2: не SoundFont");
    EXPECT_EQ(UserText("no translation"), "no translation");
    SetTextTranslator(nullptr);
    EXPECT_EQ(UserText("not a SoundFont"), "not a SoundFont");
}

}  // namespace
}  // namespace tonvell::playback

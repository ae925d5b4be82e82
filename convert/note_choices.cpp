// SPDX-License-Identifier: MIT
#include "convert/note_choices.h"

#include <array>
#include <charconv>

namespace tonvell {

namespace {

constexpr std::array<std::string_view, 4> kKeepNames = {"new", "old", "high", "low"};

// A channel number 1 to 16, the whole of text; 0 when it is none.
int ChannelNumber(std::string_view text) {
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < 1 || n > kChannelCount) {
        return 0;
    }
    return n;
}

// Messages are built by appending: g++ 12 warns wrongly (-Wrestrict) about
// a literal added to a temporary string when it inlines the addition.
std::string Quoted(std::string_view item, std::string_view after) {
    std::string text = "'";
    text += item;
    text += '\'';
    text += after;
    return text;
}

std::string NoChannel(std::string_view item) {
    return Quoted(item, " is no MIDI channel (use 1 to 16)");
}

// Adds one item of a channel list: a number or a rising range.
std::string AddChannelItem(std::string_view item, ChannelSet& channels) {
    const auto dash = item.find('-');
    const std::string_view firstText = item.substr(0, dash);
    const int first = ChannelNumber(firstText);
    if (first == 0) {
        return NoChannel(firstText);
    }
    int last = first;
    if (dash != std::string_view::npos) {
        const std::string_view lastText = item.substr(dash + 1);
        last = ChannelNumber(lastText);
        if (last == 0) {
            return NoChannel(lastText);
        }
        if (last < first) {
            return "the range " + Quoted(item, " runs backwards");
        }
    }
    for (int c = first; c <= last; ++c) {
        channels = static_cast<ChannelSet>(channels | (1U << (c - 1)));
    }
    return "";
}

}  // namespace

std::string ParseChannelList(std::string_view text, ChannelSet& channels) {
    if (text == "all") {
        channels = kAllChannels;
        return "";
    }
    if (text.empty()) {
        return "no channel given";
    }
    ChannelSet chosen = 0;
    while (true) {
        const auto comma = text.find(',');
        if (std::string error = AddChannelItem(text.substr(0, comma), chosen); !error.empty()) {
            return error;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    channels = chosen;
    return "";
}

std::string ChannelListText(ChannelSet channels) {
    if (channels == kAllChannels) {
        return "all";
    }
    std::string text;
    for (int c = 0; c < kChannelCount;) {
        if (!ChannelChosen(channels, c)) {
            ++c;
            continue;
        }
        int last = c;
        while (last + 1 < kChannelCount && ChannelChosen(channels, last + 1)) {
            ++last;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(c + 1);
        if (last > c) {
            text += last == c + 1 ? ',' : '-';
            text += std::to_string(last + 1);
        }
        c = last + 1;
    }
    return text;
}

std::string ParseTranspose(std::string_view text, int& semitones) {
    std::string_view digits = text;
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);  // from_chars takes a minus sign only
    }
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        n < -kMaxTranspose || n > kMaxTranspose) {
        const std::string limit = std::to_string(kMaxTranspose);
        return Quoted(text, " is no transposition (use -" + limit + " to " + limit + " semitones)");
    }
    semitones = n;
    return "";
}

std::string_view KeepPolicyName(KeepPolicy keep) {
    return kKeepNames[static_cast<std::size_t>(keep)];
}

bool KeepPolicyByName(std::string_view name, KeepPolicy& keep) {
    for (std::size_t i = 0; i < kKeepNames.size(); ++i) {
        if (kKeepNames[i] == name) {
            keep = static_cast<KeepPolicy>(i);
            return true;
        }
    }
    return false;
}

}  // namespace tonvell

// SPDX-License-Identifier: MIT
#include "convert/channel_summary.h"

#include <algorithm>

#include "convert/cp1251.h"
#include "convert/midi_event.h"
#include "convert/midi_file.h"
#include "convert/track_merge.h"

namespace tonvell {

namespace {

constexpr std::array<std::string_view, 128> kProgramNames = {
    "Acoustic Grand Piano",
    "Bright Acoustic Piano",
    "Electric Grand Piano",
    "Honky-tonk Piano",
    "Electric Piano 1",
    "Electric Piano 2",
    "Harpsichord",
    "Clavinet",
    "Celesta",
    "Glockenspiel",
    "Music Box",
    "Vibraphone",
    "Marimba",
    "Xylophone",
    "Tubular Bells",
    "Dulcimer",
    "Drawbar Organ",
    "Percussive Organ",
    "Rock Organ",
    "Church Organ",
    "Reed Organ",
    "Accordion",
    "Harmonica",
    "Tango Accordion",
    "Acoustic Guitar (nylon)",
    "Acoustic Guitar (steel)",
    "Electric Guitar (jazz)",
    "Electric Guitar (clean)",
    "Electric Guitar (muted)",
    "Overdriven Guitar",
    "Distortion Guitar",
    "Guitar Harmonics",
    "Acoustic Bass",
    "Electric Bass (finger)",
    "Electric Bass (pick)",
    "Fretless Bass",
    "Slap Bass 1",
    "Slap Bass 2",
    "Synth Bass 1",
    "Synth Bass 2",
    "Violin",
    "Viola",
    "Cello",
    "Contrabass",
    "Tremolo Strings",
    "Pizzicato Strings",
    "Orchestral Harp",
    "Timpani",
    "String Ensemble 1",
    "String Ensemble 2",
    "Synth Strings 1",
    "Synth Strings 2",
    "Choir Aahs",
    "Voice Oohs",
    "Synth Voice",
    "Orchestra Hit",
    "Trumpet",
    "Trombone",
    "Tuba",
    "Muted Trumpet",
    "French Horn",
    "Brass Section",
    "Synth Brass 1",
    "Synth Brass 2",
    "Soprano Sax",
    "Alto Sax",
    "Tenor Sax",
    "Baritone Sax",
    "Oboe",
    "English Horn",
    "Bassoon",
    "Clarinet",
    "Piccolo",
    "Flute",
    "Recorder",
    "Pan Flute",
    "Blown Bottle",
    "Shakuhachi",
    "Whistle",
    "Ocarina",
    "Lead 1 (square)",
    "Lead 2 (sawtooth)",
    "Lead 3 (calliope)",
    "Lead 4 (chiff)",
    "Lead 5 (charang)",
    "Lead 6 (voice)",
    "Lead 7 (fifths)",
    "Lead 8 (bass + lead)",
    "Pad 1 (new age)",
    "Pad 2 (warm)",
    "Pad 3 (polysynth)",
    "Pad 4 (choir)",
    "Pad 5 (bowed)",
    "Pad 6 (metallic)",
    "Pad 7 (halo)",
    "Pad 8 (sweep)",
    "FX 1 (rain)",
    "FX 2 (soundtrack)",
    "FX 3 (crystal)",
    "FX 4 (atmosphere)",
    "FX 5 (brightness)",
    "FX 6 (goblins)",
    "FX 7 (echoes)",
    "FX 8 (sci-fi)",
    "Sitar",
    "Banjo",
    "Shamisen",
    "Koto",
    "Kalimba",
    "Bagpipe",
    "Fiddle",
    "Shanai",
    "Tinkle Bell",
    "Agogo",
    "Steel Drums",
    "Woodblock",
    "Taiko Drum",
    "Melodic Tom",
    "Synth Drum",
    "Reverse Cymbal",
    "Guitar Fret Noise",
    "Breath Noise",
    "Seashore",
    "Bird Tweet",
    "Telephone Ring",
    "Helicopter",
    "Applause",
    "Gunshot",
};

// One track's events from its first byte to where they end or break off.
void SummarizeTrack(std::span<const std::uint8_t> track, ChannelSummary& summary) {
    std::string name;
    std::uint8_t status = midi::kNoStatus;
    MidiEvent e;
    for (std::size_t pos = 0; pos < track.size() && DecodeEvent(track, pos, status, e);
         pos = e.next) {
        status = e.status;
        if (e.kind == EventKind::Meta && e.metaType == midi::kMetaTrackName && name.empty()) {
            // The decoder took the body only when it lies inside the track.
            name = Cp1251ToUtf8(std::string_view(
                reinterpret_cast<const char*>(track.data()) + e.bodyOffset, e.length));
        }
        ChannelContents& channel = summary[static_cast<std::size_t>(midi::StatusChannel(status))];
        const std::uint8_t kind = midi::StatusKind(status);
        if (e.kind == EventKind::OneData && kind == midi::kProgramChange && channel.program < 0) {
            channel.program = e.data[0] & 0x7F;
        } else if (e.kind == EventKind::TwoData && kind == midi::kNoteOn &&
                   (e.data[1] & 0x7F) != 0) {
            ++channel.noteOns;
            if (channel.track.empty()) {
                channel.track = name;
            }
        }
        if (e.next <= pos) {
            break;  // never expected; keeps the walk finite whatever the decoder does
        }
    }
}

}  // namespace

ChannelSummary SummarizeChannels(std::span<const std::uint8_t> file) {
    ChannelSummary summary;
    if (file.size() < midi::kTrackStart) {
        return summary;
    }
    if (ShouldMerge(file)) {
        for (const auto& track : FindTrackChunks(file).tracks) {
            SummarizeTrack(track, summary);
        }
        return summary;
    }
    const std::size_t length = midi::ReadU32(file, midi::kTrackLengthOffset);
    const std::span<const std::uint8_t> body = file.subspan(midi::kTrackStart);
    SummarizeTrack(body.first(std::min(length, body.size())), summary);
    return summary;
}

std::string_view GeneralMidiProgramName(int program) {
    return program >= 0 && program < 128 ? kProgramNames[static_cast<std::size_t>(program)]
                                         : std::string_view();
}

}  // namespace tonvell

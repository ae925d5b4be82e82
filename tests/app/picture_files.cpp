// SPDX-License-Identifier: MIT
#include "picture_files.h"

#include "convert/conversion.h"

namespace tonvell::test {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::Ev;

namespace {

constexpr std::uint32_t kLongestDelta = 0x0FFFFFFF;

Bytes SlowStart() {
    return Cat({Ev(0, {0xFF, 0x58, 0x04, 0x01, 0x06, 0x18, 0x08}),
                Ev(0, {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}), Ev(0, {0x90, 60, 64})});
}

}  // namespace

Bytes LongestNoteFile() {
    return midi_test::Format0(1, Cat({SlowStart(), Ev(kLongestDelta, {0x80, 60, 0})}));
}

Bytes LargestSparseFile() {
    constexpr std::size_t kChunkHeaders = 22;
    const Bytes end = midi_test::EndOfTrack();
    Bytes events = SlowStart();
    for (int i = 0;; ++i) {
        const auto note = static_cast<std::uint8_t>(48 + i % 24);
        // Running status: a note-on, and a note-on of velocity 0 at once.
        const Bytes next = Cat({Ev(kLongestDelta, {note, 64}), Ev(0, {note, 0})});
        if (kChunkHeaders + events.size() + next.size() + end.size() > kMaxInputBytes) {
            break;
        }
        events.insert(events.end(), next.begin(), next.end());
    }
    Bytes file = midi_test::Format0(1, Cat({events, end}));
    // Bytes after the track to reach the limit exactly.
    file.resize(static_cast<std::size_t>(kMaxInputBytes), 0);
    return file;
}

}  // namespace tonvell::test

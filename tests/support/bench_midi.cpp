// SPDX-License-Identifier: MIT
#include "tests/support/bench_midi.h"

#include <array>
#include <deque>
#include <string>

namespace tonvell::bench {

namespace {

constexpr std::size_t kTrackStart = 22;
constexpr std::size_t kEndOfTrackBytes = 4;
constexpr int kChannels = 4;
constexpr std::size_t kChunkHeaderBytes = 8;

// A fixed linear congruential generator: the file must not depend on the
// standard library's engines or distributions.
class Lcg {
public:
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }

private:
    std::uint64_t state_ = 0x5EED;
};

class TrackBuilder {
public:
    explicit TrackBuilder(std::vector<std::uint8_t>& out) : out_(out) {}

    void Delta(std::uint32_t value) {
        std::array<std::uint8_t, 4> groups{};
        int count = 0;
        do {
            groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value != 0 && count < 4);
        while (count > 1)
            out_.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
        out_.push_back(groups[0]);
    }

    // A channel event; the status byte is left out while it stays the same.
    void Channel(std::uint32_t delta, std::uint8_t status,
                 std::initializer_list<std::uint8_t> data) {
        Delta(delta);
        if (status != running_)
            out_.push_back(status);
        running_ = status;
        out_.insert(out_.end(), data);
        ++events_;
    }

    // Meta events cancel running status.
    void Meta(std::uint32_t delta, std::uint8_t type, const std::string& body) {
        Delta(delta);
        out_.insert(out_.end(), {0xFF, type});
        Delta(static_cast<std::uint32_t>(body.size()));
        out_.insert(out_.end(), body.begin(), body.end());
        running_ = 0;
        ++events_;
    }

    void Tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
        Delta(delta);
        out_.insert(out_.end(),
                    {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsPerQuarter >> 16),
                     static_cast<std::uint8_t>(microsPerQuarter >> 8),
                     static_cast<std::uint8_t>(microsPerQuarter)});
        running_ = 0;
        ++events_;
    }

    std::size_t Events() const { return events_; }

private:
    std::vector<std::uint8_t>& out_;
    std::uint8_t running_ = 0;
    std::size_t events_ = 0;
};

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// One step of a channel's part: now and then a controller or a program
// change, else a note-on or the note-off of a held note.
void ChannelStep(TrackBuilder& track, Lcg& rng, std::deque<std::uint8_t>& notes, std::uint8_t ch) {
    const std::uint32_t r = rng.Below(100);
    if (r < 2) {
        track.Channel(rng.Below(40), 0xB0 | ch, {7, static_cast<std::uint8_t>(rng.Below(128))});
        return;
    }
    if (r < 3) {
        track.Channel(rng.Below(40), 0xC0 | ch, {static_cast<std::uint8_t>(rng.Below(128))});
        return;
    }
    // Mostly short steps, some chord notes (delta 0), now and then a long
    // pause that needs a two-byte delta time.
    const std::uint32_t delta = r < 21 ? 200 + rng.Below(2000) : r < 40 ? 0 : rng.Below(120);
    if (notes.size() >= 3 || (!notes.empty() && rng.Below(2) == 0)) {
        const std::uint8_t key = notes.front();
        notes.pop_front();
        if (rng.Below(6) == 0) {
            track.Channel(delta, 0x80 | ch, {key, 0x40});
        } else {
            track.Channel(delta, 0x90 | ch, {key, 0});
        }
    } else {
        const auto key = static_cast<std::uint8_t>(36 + rng.Below(48));
        notes.push_back(key);
        track.Channel(delta, 0x90 | ch, {key, static_cast<std::uint8_t>(1 + rng.Below(127))});
    }
}

}  // namespace

BenchMidi MakeBenchMidi() {
    BenchMidi midi;
    auto& out = midi.bytes;
    out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,  // format 0, 480 ticks
           'M', 'T', 'r', 'k', 0, 0, 0, 0};
    out.reserve(kBenchFileBytes);
    TrackBuilder track(out);
    Lcg rng;
    std::array<std::deque<std::uint8_t>, kChannels> held;
    int channel = 0;
    // The biggest event below is a text meta event of 16 bytes; the rest of the
    // file is filled by one last text event of the exact size.
    constexpr std::size_t kReserve = 40;
    for (std::size_t i = 1; out.size() + kReserve + kEndOfTrackBytes < kBenchFileBytes; ++i) {
        if (i % 1000 == 0) {
            track.Tempo(0, 400000 + rng.Below(200000));
            continue;
        }
        if (i % 1500 == 0) {
            track.Meta(0, 0x01, "Marker " + std::to_string(i));
            continue;
        }
        if (rng.Below(8) == 0)
            channel = static_cast<int>(rng.Below(kChannels));
        ChannelStep(track, rng, held[static_cast<std::size_t>(channel)],
                    static_cast<std::uint8_t>(channel));
    }
    // One last text event fills the file to its exact size: type and length
    // bytes (one length byte while the text is below 128 bytes) and the text.
    const std::size_t left = kBenchFileBytes - kEndOfTrackBytes - out.size();
    track.Meta(0, 0x01, std::string(left - 4, '.'));
    out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
    midi.events = track.Events() + 1;
    PutU32(out, 18, static_cast<std::uint32_t>(out.size() - kTrackStart));
    return midi;
}

namespace {

constexpr int kInstrumentTracks = 16;

// Starts a track chunk whose length PutTrackLength fills in; returns where
// its events start.
std::size_t StartChunk(std::vector<std::uint8_t>& out) {
    out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    return out.size();
}

void PutTrackLength(std::vector<std::uint8_t>& out, std::size_t eventsStart) {
    PutU32(out, eventsStart - 4, static_cast<std::uint32_t>(out.size() - eventsStart));
}

}  // namespace

BenchMidi MakeBenchMidiFormat1() {
    BenchMidi midi;
    auto& out = midi.bytes;
    out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, kInstrumentTracks + 1, 0x01, 0xE0};
    out.reserve(kBenchFileBytes);
    Lcg rng;
    // The conductor track: time signature, tempo changes and markers over the
    // length of the song, as sequencers write it.
    std::size_t start = StartChunk(out);
    {
        TrackBuilder track(out);
        track.Meta(0, 0x03, "Conductor");
        track.Tempo(0, 500000);
        for (int bar = 1; bar <= 200; ++bar) {
            if (bar % 4 == 0) {
                track.Tempo(4 * 480, 400000 + rng.Below(200000));
            } else {
                track.Meta(4 * 480, 0x06, "Bar " + std::to_string(bar));
            }
        }
        out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
        midi.events += track.Events() + 1;
    }
    PutTrackLength(out, start);
    // One part per channel, each in its own track, sharing what is left.
    const std::size_t perTrack =
        (kBenchFileBytes - out.size()) / kInstrumentTracks - kChunkHeaderBytes;
    constexpr std::size_t kReserve = 40;
    for (int t = 0; t < kInstrumentTracks; ++t) {
        const std::size_t trackEnd = out.size() + kChunkHeaderBytes + perTrack;
        start = StartChunk(out);
        TrackBuilder track(out);
        const auto ch = static_cast<std::uint8_t>(t);
        track.Meta(0, 0x03, "Part " + std::to_string(t + 1));
        track.Channel(0, 0xC0 | ch, {static_cast<std::uint8_t>(rng.Below(128))});
        std::deque<std::uint8_t> held;
        while (out.size() + kReserve + kEndOfTrackBytes < trackEnd)
            ChannelStep(track, rng, held, ch);
        if (t == kInstrumentTracks - 1) {
            // The last part ends with a text event that fills the file to its
            // exact size.
            // Delta, type, status and one length byte, a second one from 128 on.
            const std::size_t left = kBenchFileBytes - kEndOfTrackBytes - out.size();
            track.Meta(0, 0x01, std::string(left - 4 < 128 ? left - 4 : left - 5, '.'));
        }
        out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
        midi.events += track.Events() + 1;
        PutTrackLength(out, start);
    }
    return midi;
}

}  // namespace tonvell::bench

// SPDX-License-Identifier: MIT
// Cross-check of the reader against an independent decoder, midicsv.
//
// The files are made by independent encoders: abc2midi turns the ABC tunes in
// tests/convert/data into format-1 files with a tempo track; csvmidi re-encodes them
// with running status, once as format 1 and once merged into one format-0
// track, and encodes the CSV texts written below. For every file the note
// events (on or off, channel, note, velocity, absolute tick) and the tempo
// events that our reader hands on, taken from the event log, must be those
// that midicsv decodes, in the same order. For format 1 that is the merged
// order: by tick, then by track, then by order within the track.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// --- Running the Debian tools ------------------------------------------------------

std::optional<fs::path> FindProgram(const std::string& name) {
    const char* env = std::getenv("PATH");
    std::stringstream dirs(env ? env : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) {
            continue;
        }
        const fs::path candidate = fs::path(dir) / name;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::string Quote(const fs::path& path) {
    std::string out = "'";
    for (char c : path.string()) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Runs a shell command with no input and at most a minute to finish; returns
// its standard output, or nothing when it fails.
std::optional<std::string> RunCommand(const std::string& command) {
    std::FILE* pipe = ::popen(("timeout 60 " + command + " </dev/null 2>/dev/null").c_str(), "r");
    if (!pipe) {
        return std::nullopt;
    }
    std::string out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return out;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// --- The records compared -----------------------------------------------------------

struct Record {
    char kind = 0;  // 'N' note-on message, 'F' note-off message, 'T' tempo
    int channel = 0;
    int a = 0;  // note, or the tempo in microseconds per quarter
    int b = 0;  // velocity
    std::int64_t time = 0;
    bool operator==(const Record&) const = default;
};

void PrintTo(const Record& r, std::ostream* os) {
    *os << r.kind << " tick " << r.time << " ch " << r.channel << " " << r.a << " " << r.b;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        std::string field = line.substr(start, comma == std::string::npos ? comma : comma - start);
        field.erase(0, field.find_first_not_of(' '));
        fields.push_back(field);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return fields;
}

// Calls f(line, fields) for every record of midicsv's output with at least
// track, time and type.
template <typename F>
void ForEachCsvRecord(const std::string& csv, F&& f) {
    std::istringstream lines(csv);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto fields = SplitFields(line);
        if (fields.size() >= 3) {
            f(line, fields);
        }
    }
}

struct Decoded {
    int format = -1;
    int tracks = 0;
    std::vector<Record> records;
};

// midicsv lists the tracks one after another; a stable sort by tick gives the
// order of a merged track.
Decoded FromMidicsv(const std::string& csv) {
    Decoded d;
    ForEachCsvRecord(csv, [&](const std::string&, const std::vector<std::string>& f) {
        const std::int64_t time = std::stoll(f[1]);
        if (f[2] == "Header") {
            d.format = std::stoi(f[3]);
            d.tracks = std::stoi(f[4]);
        } else if (f[2] == "Note_on_c" || f[2] == "Note_off_c") {
            d.records.push_back({f[2] == "Note_on_c" ? 'N' : 'F', std::stoi(f[3]), std::stoi(f[4]),
                                 std::stoi(f[5]), time});
        } else if (f[2] == "Tempo") {
            d.records.push_back({'T', 0, std::stoi(f[3]), 0, time});
        }
    });
    std::stable_sort(d.records.begin(), d.records.end(),
                     [](const Record& x, const Record& y) { return x.time < y.time; });
    return d;
}

int Hex(const std::string& s, std::size_t at) {
    return std::stoi(s.substr(at, 2), nullptr, 16);
}

// The records our reader hands on, as its event log shows them: pause lines
// advance the time, note lines are "8n kk vv" and "9n kk vv".
std::vector<Record> FromEventLog(const std::vector<std::string>& log) {
    static const std::string kPause = "Пауза ";
    static const std::string kTempo = "New tempo ";
    std::vector<Record> records;
    std::int64_t now = 0;
    for (std::size_t i = 8; i < log.size(); ++i) {
        const std::string& line = log[i];
        if (line.rfind(kPause, 0) == 0) {
            now += std::stoll(line.substr(kPause.size()));
        } else if (line.rfind(kTempo, 0) == 0) {
            const std::size_t at = kTempo.size();
            records.push_back({'T', 0,
                               (Hex(line, at) << 16) | (Hex(line, at + 3) << 8) | Hex(line, at + 6),
                               0, now});
        } else if (line.size() == 8 && (line[0] == '8' || line[0] == '9') && line[2] == ' ' &&
                   line[5] == ' ') {
            records.push_back(
                {line[0] == '9' ? 'N' : 'F', Hex(line, 0) & 0x0F, Hex(line, 3), Hex(line, 6), now});
        }
    }
    return records;
}

// --- Making the files -------------------------------------------------------------

// A midicsv text with all tracks merged into one format-0 track, in the order
// of a stable sort by tick.
std::string ToFormat0Csv(const std::string& csv) {
    struct Line {
        std::int64_t time;
        std::string rest;  // from the record type on
    };
    std::vector<Line> events;
    std::string division = "96";
    ForEachCsvRecord(csv, [&](const std::string& line, const std::vector<std::string>& f) {
        if (f[2] == "Header") {
            division = f[5];
            return;
        }
        if (f[2] == "Start_track" || f[2] == "End_track" || f[2] == "End_of_file") {
            return;
        }
        const std::size_t first = line.find(',');
        const std::size_t second = line.find(',', first + 1);
        events.push_back({std::stoll(f[1]), line.substr(second + 2)});
    });
    std::stable_sort(events.begin(), events.end(),
                     [](const Line& x, const Line& y) { return x.time < y.time; });
    std::string out = "0, 0, Header, 0, 1, " + division + "\n1, 0, Start_track\n";
    std::int64_t last = 0;
    for (const Line& e : events) {
        out += "1, " + std::to_string(e.time) + ", " + e.rest + "\n";
        last = e.time;
    }
    out += "1, " + std::to_string(last) + ", End_track\n0, 0, End_of_file\n";
    return out;
}

// Every channel: a chord struck and released by note-ons of velocity 0, so
// that csvmidi writes long runs under running status, with controller, pitch
// bend, program, pressure, system-exclusive and text events between, and a
// pause that needs a four-byte delta time.
std::string AllChannelsCsv() {
    std::ostringstream csv;
    csv << "0, 0, Header, 0, 1, 96\n1, 0, Start_track\n"
        << "1, 0, Title_t, \"Running status, all channels\"\n1, 0, Tempo, 500000\n";
    std::int64_t t = 0;
    for (int ch = 0; ch < 16; ++ch) {
        csv << "1, " << t << ", Program_c, " << ch << ", " << (ch * 7) % 128 << "\n";
        for (int k = 0; k < 4; ++k) {
            csv << "1, " << t << ", Note_on_c, " << ch << ", " << 30 + ch * 5 + k * 4 << ", "
                << 20 + ch * 6 + k << "\n";
        }
        csv << "1, " << t + 10 << ", Pitch_bend_c, " << ch << ", " << 8192 + ch * 100 << "\n";
        csv << "1, " << t + 10 << ", Control_c, " << ch << ", 7, " << 100 - ch << "\n";
        csv << "1, " << t + 20 << ", Poly_aftertouch_c, " << ch << ", 60, 30\n";
        csv << "1, " << t + 20 << ", Channel_aftertouch_c, " << ch << ", 40\n";
        for (int k = 0; k < 4; ++k) {
            csv << "1, " << t + 48 + k << ", Note_on_c, " << ch << ", " << 30 + ch * 5 + k * 4
                << ", 0\n";
        }
        csv << "1, " << t + 60 << ", System_exclusive, 5, 126, 127, 9, 1, 247\n";
        csv << "1, " << t + 60 << ", Note_on_c, " << ch << ", 0, 64\n";
        csv << "1, " << t + 70 << ", Note_off_c, " << ch << ", 0, 127\n";
        t += 96;
    }
    t += 2200000;  // more than three delta bytes hold
    csv << "1, " << t << ", Tempo, 250000\n"
        << "1, " << t << ", Note_on_c, 8, 127, 1\n"
        << "1, " << t + 300 << ", Note_off_c, 8, 127, 0\n"
        << "1, " << t + 300 << ", End_track\n0, 0, End_of_file\n";
    return csv.str();
}

// Three tracks with events at the same ticks, tempo changes and channels
// shared between tracks.
std::string TiedTracksCsv() {
    std::ostringstream csv;
    csv << "0, 0, Header, 1, 3, 480\n"
        << "1, 0, Start_track\n1, 0, Tempo, 600000\n1, 960, Tempo, 400000\n"
        << "1, 1920, Tempo, 300000\n1, 1920, End_track\n";
    for (int track = 2; track <= 3; ++track) {
        csv << track << ", 0, Start_track\n";
        for (int i = 0; i < 16; ++i) {
            const int t = i * 120;
            const int ch = (i + track) % 3;
            csv << track << ", " << t << ", Note_on_c, " << ch << ", " << 48 + i + track * 12
                << ", " << 60 + i << "\n";
            csv << track << ", " << t + 120 << ", Note_on_c, " << ch << ", " << 48 + i + track * 12
                << ", 0\n";
        }
        csv << track << ", 1920, End_track\n";
    }
    csv << "0, 0, End_of_file\n";
    return csv.str();
}

enum class Form { AsWritten, RunningStatus, Format0 };

struct Source {
    const char* name;
    const char* abc = nullptr;       // tune file in tests/convert/data, through abc2midi
    std::string (*csv)() = nullptr;  // CSV text, through csvmidi
    Form form = Form::AsWritten;
};

void PrintTo(const Source& s, std::ostream* os) {
    *os << s.name;
}

using tonvell_test::TempDir;

class CrossCheck : public ::testing::TestWithParam<Source> {
protected:
    void SetUp() override {
        midicsv_ = FindProgram("midicsv");
        csvmidi_ = FindProgram("csvmidi");
        if (!midicsv_ || !csvmidi_) {
            GTEST_SKIP() << "midicsv is not installed";
        }
        if (GetParam().abc) {
            abc2midi_ = FindProgram("abc2midi");
            if (!abc2midi_) {
                GTEST_SKIP() << "abc2midi is not installed (package abcmidi)";
            }
        }
    }

    // Makes the file of the case; an empty path when a tool failed (the
    // failure is recorded).
    fs::path Make(const Source& s) {
        fs::path made = dir_ / "made.mid";
        if (s.abc) {
            const fs::path tune = fs::path(TONVELL_TEST_DATA) / s.abc;
            if (!RunCommand(Quote(*abc2midi_) + " " + Quote(tune) + " -silent -o " + Quote(made))) {
                ADD_FAILURE() << "abc2midi failed on " << tune;
                return {};
            }
        } else {
            WriteText(dir_ / "made.csv", s.csv());
            if (!RunCommand(Quote(*csvmidi_) + " " + Quote(dir_ / "made.csv") + " " +
                            Quote(made))) {
                ADD_FAILURE() << "csvmidi refused the CSV text";
                return {};
            }
        }
        if (s.form == Form::AsWritten) {
            return made;
        }

        const auto csv = RunCommand(Quote(*midicsv_) + " " + Quote(made));
        if (!csv) {
            ADD_FAILURE() << "midicsv failed";
            return {};
        }
        WriteText(dir_ / "again.csv", s.form == Form::Format0 ? ToFormat0Csv(*csv) : *csv);
        fs::path again = dir_ / "again.mid";
        if (!RunCommand(Quote(*csvmidi_) + " " + Quote(dir_ / "again.csv") + " " + Quote(again))) {
            ADD_FAILURE() << "csvmidi failed";
            return {};
        }
        if (s.form == Form::RunningStatus) {
            // The same events in fewer bytes: status bytes were left out.
            EXPECT_LT(fs::file_size(again), fs::file_size(made));
        }
        return again;
    }

    std::optional<fs::path> abc2midi_;
    std::optional<fs::path> midicsv_;
    std::optional<fs::path> csvmidi_;
    TempDir dir_;
};

TEST_P(CrossCheck, NoteAndTempoEventsAgreeWithMidicsv) {
    const Source& s = GetParam();
    const fs::path file = Make(s);
    if (file.empty()) {
        return;
    }

    const auto csv = RunCommand(Quote(*midicsv_) + " " + Quote(file));
    ASSERT_TRUE(csv) << "midicsv failed on " << file;
    const Decoded theirs = FromMidicsv(*csv);
    if (s.form == Form::Format0) {
        ASSERT_EQ(theirs.format, 0);
    }
    ASSERT_GE(theirs.records.size(), 20u) << "too few events to compare";

    const auto bytes = ReadBytes(file);
    ASSERT_LE(bytes.size(), static_cast<std::size_t>(tonvell::kMaxInputBytes));
    const auto r = tonvell::ConvertBytes(bytes, file.filename().string());
    EXPECT_FALSE(r.cutShort);
    // A sound file brings no warning but that of a rest longer than one delay.
    for (const auto& met : r.warnings) {
        EXPECT_EQ(met.warning, tonvell::Warning::DelayPlaysShort);
    }
    std::vector<std::string> log = r.eventLog;
    ASSERT_GE(log.size(), 9u);
    if (theirs.format == 1) {
        EXPECT_EQ(log[8], "Объединено треков: " + std::to_string(theirs.tracks));
        log.erase(log.begin() + 8);
    }
    EXPECT_EQ(FromEventLog(log), theirs.records);

    // Leaving the event log out changes nothing else.
    const auto q = tonvell::ConvertBytes(bytes, file.filename().string(),
                                         {.eventLog = tonvell::TextDelivery::Skip()});
    EXPECT_TRUE(q.eventLog.empty());
    EXPECT_EQ(q.listing, r.listing);
    EXPECT_EQ(q.statistics, r.statistics);
    EXPECT_EQ(q.progressLine, r.progressLine);
    EXPECT_EQ(q.warnings, r.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CrossCheck,
    ::testing::Values(
        Source{"ReelAbc2midi", "reel_two_voices.abc"},
        Source{"ReelRunningStatus", "reel_two_voices.abc", nullptr, Form::RunningStatus},
        Source{"ReelFormat0", "reel_two_voices.abc", nullptr, Form::Format0},
        Source{"MarchAbc2midi", "drums_and_programs.abc"},
        Source{"MarchRunningStatus", "drums_and_programs.abc", nullptr, Form::RunningStatus},
        Source{"MarchFormat0", "drums_and_programs.abc", nullptr, Form::Format0},
        Source{"WaltzAbc2midi", "waltz_many_voices.abc"},
        Source{"WaltzRunningStatus", "waltz_many_voices.abc", nullptr, Form::RunningStatus},
        Source{"WaltzFormat0", "waltz_many_voices.abc", nullptr, Form::Format0},
        Source{"AllChannelsFormat0", nullptr, AllChannelsCsv},
        Source{"TiedTracksFormat1", nullptr, TiedTracksCsv},
        Source{"TiedTracksFormat0", nullptr, TiedTracksCsv, Form::Format0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// SPDX-License-Identifier: MIT
// The sound output port on fake devices: the output list and the device each
// entry opens, the instrument box, open failures, program changes, the
// messages and bytes of each pair, tempo, silencing and closing, a lost
// serial device, and the hidden test button.

#include "playback/sound_port.h"

#include <gtest/gtest.h>

#include "playback/recording_midi_backend.h"
#include "tests/support/playback_fakes.h"

namespace tonvell::test {
namespace {

using playback::MidiLogEntry;
using playback::MidiShortMessage;
using playback::PortOpenResult;
using playback::PortState;
using playback::RecordingMidiBackend;
using playback::SendResult;
using playback::SoundPort;
using WriteResult = playback::SerialLine::WriteResult;
using OpenResult = playback::SerialBackend::OpenResult;
using Kind = MidiLogEntry::Kind;

class SoundPortTest : public ::testing::Test {
protected:
    void Make(std::vector<std::string> serialPorts, std::vector<std::string> midiNames,
              std::vector<std::size_t> refused = {}) {
        playback::SoundBackends backends;
        auto serialBackend =
            std::make_unique<FakeSerialBackend>(std::move(serialPorts), serial, clock);
        serialDevices = serialBackend.get();
        backends.serial = std::move(serialBackend);
        auto midiBackend =
            std::make_unique<RecordingMidiBackend>(std::move(midiNames), clock, std::move(refused));
        midi = midiBackend.get();
        backends.midi.push_back(std::move(midiBackend));
        port = std::make_unique<SoundPort>(view, std::move(backends));
        port->FillOutputList();
    }
    // The device that each open in the log was of.
    std::vector<std::size_t> OpenedDevices() const {
        std::vector<std::size_t> devices;
        for (const MidiLogEntry& entry : midi->Log()) {
            if (entry.kind == Kind::Opened) {
                devices.push_back(entry.device);
            }
        }
        return devices;
    }
    std::vector<Kind> Kinds() const {
        std::vector<Kind> kinds;
        for (const MidiLogEntry& entry : midi->Log()) {
            kinds.push_back(entry.kind);
        }
        return kinds;
    }

    FakeClock clock;
    FakeView view;
    SerialRecord serial;
    FakeSerialBackend* serialDevices = nullptr;
    RecordingMidiBackend* midi = nullptr;
    std::unique_ptr<SoundPort> port;
};

TEST_F(SoundPortTest, ListHasNoneThenSerialPortsThenMidiDevices) {
    Make({"/dev/ttyACM0", "/dev/ttyUSB0"}, {"Synth A", "Synth B"});
    EXPECT_EQ(view.outputs, (std::vector<std::string>{"none", "/dev/ttyACM0", "/dev/ttyUSB0",
                                                      "Synth A", "Synth B"}));
}

TEST_F(SoundPortTest, BackendsAreListedOneAfterAnother) {
    playback::SoundBackends backends;
    backends.midi.push_back(
        std::make_unique<RecordingMidiBackend>(std::vector<std::string>{"Sequencer port"}, clock));
    auto second = std::make_unique<RecordingMidiBackend>(
        std::vector<std::string>{"Built-in synthesizer"}, clock);
    RecordingMidiBackend* builtIn = second.get();
    backends.midi.push_back(std::move(second));
    SoundPort ports(view, std::move(backends));  // no serial backend at all
    ports.FillOutputList();
    ASSERT_EQ(view.outputs,
              (std::vector<std::string>{"none", "Sequencer port", "Built-in synthesizer"}));
    view.Choose("Built-in synthesizer");
    EXPECT_EQ(ports.OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(ports.State(), PortState::MidiDevice(1));
    ASSERT_FALSE(builtIn->Log().empty());
    EXPECT_EQ(builtIn->Log().front().kind, Kind::Opened);
}

struct ChoiceCase {
    const char* name;
    std::vector<std::string> serialPorts;
    std::vector<std::string> midiNames;
    int selected;         // -1: typed text
    std::string typed;    // the text when typed
    PortState portState;  // after the open
    std::vector<std::size_t> midiOpened;
    std::vector<std::string> serialOpened;
};

class OutputChoice : public SoundPortTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(OutputChoice, OpensTheDeviceTheEntryNames) {
    const ChoiceCase& c = GetParam();
    Make(c.serialPorts, c.midiNames);
    if (c.selected >= 0) {
        view.selected = c.selected;
    } else {
        view.Choose(c.typed);
    }
    EXPECT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(port->State(), c.portState);
    EXPECT_EQ(OpenedDevices(), c.midiOpened);
    EXPECT_EQ(serialDevices->opens, c.serialOpened);
    EXPECT_TRUE(view.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, OutputChoice,
    ::testing::Values(
        ChoiceCase{"None", {"/dev/ttyUSB0"}, {"A"}, 0, "", PortState::NothingOpen(), {}, {}},
        ChoiceCase{"TypedText",
                   {"/dev/ttyUSB0"},
                   {"A"},
                   -1,
                   "/dev/ttyS9",
                   PortState::NothingOpen(),
                   {},
                   {}},
        ChoiceCase{
            "TwoMidiDevicesSecond", {}, {"A", "B"}, 2, "", PortState::MidiDevice(1), {1}, {}},
        ChoiceCase{"FirstMidiAfterTwoComPorts",
                   {"COM1", "COM3"},
                   {"A"},
                   3,
                   "",
                   PortState::MidiDevice(0),
                   {0},
                   {}},
        ChoiceCase{"FirstMidiAfterDevicePaths",
                   {"/dev/ttyS0", "/dev/ttyUSB0"},
                   {"A", "B"},
                   4,
                   "",
                   PortState::MidiDevice(1),
                   {1},
                   {}},
        ChoiceCase{"SerialPath",
                   {"/dev/ttyS0", "/dev/ttyUSB0"},
                   {"A"},
                   2,
                   "",
                   PortState::SerialOpen(),
                   {},
                   {"/dev/ttyUSB0"}},
        // A MIDI device named like a serial port is counted among the serial
        // entries: every MIDI entry then opens the device one below its own.
        ChoiceCase{"ComNamedDeviceShiftsTheOthers",
                   {},
                   {"COMbo", "B"},
                   2,
                   "",
                   PortState::MidiDevice(0),
                   {0},
                   {}},
        ChoiceCase{"ComNamedDeviceBelowZeroOpensNothing",
                   {},
                   {"X", "COMbo"},
                   1,
                   "",
                   PortState::NothingOpen(),
                   {},
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundPortTest, ComNamedMidiDeviceIsOpenedAsASerialPort) {
    Make({}, {"COMbo"});
    view.selected = 1;
    serialDevices->openResult = OpenResult::BusyOrAbsent;
    EXPECT_EQ(port->OpenSoundPort(), PortOpenResult::Failed);
    EXPECT_EQ(serialDevices->opens, std::vector<std::string>{"COMbo"});
    EXPECT_EQ(view.messages, std::vector<std::string>{"COM port is busy or absent."});
}

struct InstrumentBoxCase {
    const char* name;
    int selected;
    std::string typed;
    bool enabled;
};

class InstrumentBox : public SoundPortTest,
                      public ::testing::WithParamInterface<InstrumentBoxCase> {};

TEST_P(InstrumentBox, EnabledOnlyForMidiDevicesAndOtherTexts) {
    Make({"COM2", "/dev/ttyUSB0"}, {"Synth"});
    if (GetParam().selected >= 0) {
        view.selected = GetParam().selected;
    } else {
        view.Choose(GetParam().typed);
    }
    view.instrumentEnabled = !GetParam().enabled;
    port->UpdateInstrumentEnabled();
    EXPECT_EQ(view.instrumentEnabled, GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Outputs, InstrumentBox,
                         ::testing::Values(InstrumentBoxCase{"None", 0, "", false},
                                           InstrumentBoxCase{"ComPort", 1, "", false},
                                           InstrumentBoxCase{"DevicePath", 2, "", false},
                                           InstrumentBoxCase{"MidiDevice", 3, "", true},
                                           InstrumentBoxCase{"TypedComText", -1, "COM9", false},
                                           InstrumentBoxCase{"TypedPath", -1, "/dev/ttyS4", false},
                                           InstrumentBoxCase{"TypedOther", -1, "nothing", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OpenFailureCase {
    const char* name;
    OpenResult result;
    const char* message;
};

class SerialOpenFailure : public SoundPortTest,
                          public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(SerialOpenFailure, ShowsItsMessageAndOpensNothing) {
    Make({"/dev/ttyUSB0"}, {});
    view.selected = 1;
    serialDevices->openResult = GetParam().result;
    EXPECT_EQ(port->OpenSoundPort(), PortOpenResult::Failed);
    EXPECT_EQ(port->State(), PortState::NothingOpen());
    EXPECT_EQ(view.messages, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(port->SendPair(0x51, 0xF0), SendResult::Sent);
    EXPECT_TRUE(serial.bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(Results, SerialOpenFailure,
                         ::testing::Values(OpenFailureCase{"Busy", OpenResult::BusyOrAbsent,
                                                           "COM port is busy or absent."},
                                           OpenFailureCase{"NotRead", OpenResult::SettingsNotRead,
                                                           "COM parameters are not obtained."},
                                           OpenFailureCase{"NotSet", OpenResult::SettingsNotSet,
                                                           "COM parameters are not set."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundPortTest, MidiDeviceThatCannotBeOpened) {
    Make({}, {"A", "B"}, {1});
    view.selected = 2;
    EXPECT_EQ(port->OpenSoundPort(), PortOpenResult::Failed);
    EXPECT_EQ(port->State(), PortState::NothingOpen());
    EXPECT_EQ(view.messages, std::vector<std::string>{"MIDI Device is busy or absent."});
}

struct InstrumentCase {
    const char* name;
    std::string text;
    std::optional<int> program;  // none: no program change at all
};

class InstrumentProgram : public SoundPortTest,
                          public ::testing::WithParamInterface<InstrumentCase> {};

TEST_P(InstrumentProgram, FifteenProgramChangesOrNone) {
    Make({}, {"Synth"});
    view.selected = 1;
    view.instrument = GetParam().text;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    std::vector<MidiShortMessage> expected;
    if (GetParam().program) {
        for (std::uint8_t channel = 0; channel < 15; ++channel) {
            expected.push_back({static_cast<std::uint8_t>(0xC0 + channel),
                                static_cast<std::uint8_t>(*GetParam().program), 0});
        }
    }
    EXPECT_EQ(midi->Messages(), expected);
    EXPECT_TRUE(view.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, InstrumentProgram,
                         ::testing::Values(InstrumentCase{"Piano", "00 Piano", 0},
                                           InstrumentCase{"Flute", "73 Flute", 73},
                                           InstrumentCase{"SquareLead", "80 Square Lead", 80},
                                           InstrumentCase{"TwoDigitsOnly", "99", 99},
                                           InstrumentCase{"OneDigitThenName", "5 Bells", 5},
                                           InstrumentCase{"EmptyItem", "", std::nullopt},
                                           InstrumentCase{"TypedName", "Strings", std::nullopt},
                                           InstrumentCase{"SpaceFirst", " 5", std::nullopt},
                                           InstrumentCase{"Negative", "-1 Oops", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundPortTest, DeviceOpenedWithoutProgramIsClosedOnStop) {
    Make({}, {"Synth"});
    view.selected = 1;
    view.instrument = "";
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    port->SilenceSoundPort();
    port->CloseSoundPort();
    EXPECT_EQ(Kinds().back(), Kind::Closed);
}

struct PairCase {
    const char* name;
    std::uint8_t first;
    std::uint8_t second;
    std::vector<MidiShortMessage> messages;
};

class MidiPair : public SoundPortTest, public ::testing::WithParamInterface<PairCase> {};

TEST_P(MidiPair, AllSoundOffThenNoteOnOnTheVoicesChannel) {
    Make({}, {"Synth"});
    view.selected = 1;
    view.instrument = "";
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(port->SendPair(GetParam().first, GetParam().second), SendResult::Sent);
    EXPECT_EQ(midi->Messages(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, MidiPair,
    ::testing::Values(
        PairCase{"MiddleCLoudVoice2", 0x51, 0xF2, {{0xB2, 0x78, 0x00}, {0x92, 0x3C, 0x70}}},
        PairCase{"MiddleCOffVoice2", 0x51, 0x82, {{0xB2, 0x78, 0x00}, {0x92, 0x3C, 0x00}}},
        PairCase{"HighestNoteVoice5", 0x7C, 0xA5, {{0xB5, 0x78, 0x00}, {0x95, 0x5F, 0x20}}},
        PairCase{"LowestNoteVoice0", 0x01, 0x90, {{0xB0, 0x78, 0x00}, {0x90, 0x00, 0x10}}},
        PairCase{"TempoSendsNothing", 0x0E, 0x87, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct TempoCase {
    std::uint8_t parameter;
    int timeUnitMs;
};

class Tempo : public SoundPortTest, public ::testing::WithParamInterface<TempoCase> {};

TEST_P(Tempo, SetsTheTimeUnitAndReachesNoDevice) {
    Make({"/dev/ttyUSB0"}, {});
    view.selected = 1;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(port->SendPair(0x0E, GetParam().parameter), SendResult::Sent);
    EXPECT_EQ(port->TimeUnitMs(), GetParam().timeUnitMs);
    EXPECT_TRUE(serial.bytes.empty());
    // The unit survives silencing, closing and the next open.
    port->SilenceSoundPort();
    port->CloseSoundPort();
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(port->TimeUnitMs(), GetParam().timeUnitMs);
}

INSTANTIATE_TEST_SUITE_P(Values, Tempo,
                         ::testing::Values(TempoCase{0x80, 1}, TempoCase{0x00, 1},
                                           TempoCase{0x81, 2}, TempoCase{0x87, 15},
                                           TempoCase{0xFF, 283}, TempoCase{0x7F, 283}),
                         [](const auto& info) {
                             return "Parameter" + std::to_string(info.param.parameter);
                         });

TEST_F(SoundPortTest, NoneSendsNothingButAppliesTempo) {
    Make({"/dev/ttyUSB0"}, {"Synth"});
    view.selected = 0;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(port->SendPair(0x51, 0xF0), SendResult::Sent);
    EXPECT_EQ(port->SendPair(0x0E, 0x81), SendResult::Sent);
    port->SilenceSoundPort();
    port->CloseSoundPort();
    EXPECT_EQ(port->TimeUnitMs(), 2);
    EXPECT_TRUE(midi->Log().empty());
    EXPECT_EQ(serial.opened, 0);
}

TEST_F(SoundPortTest, StopOnMidiDeviceSendsAllNotesOffResetsAndCloses) {
    Make({}, {"Synth"});
    view.selected = 1;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    midi->ClearLog();
    port->SilenceSoundPort();
    port->CloseSoundPort();
    std::vector<MidiShortMessage> expected;
    for (std::uint8_t channel = 0; channel < 15; ++channel) {
        expected.push_back({static_cast<std::uint8_t>(0xB0 + channel), 0x7B, 0x00});
    }
    EXPECT_EQ(midi->Messages(), expected);
    const std::vector<Kind> kinds = Kinds();
    ASSERT_EQ(kinds.size(), 17u);
    EXPECT_EQ(kinds[15], Kind::Reset);
    EXPECT_EQ(kinds[16], Kind::Closed);
    EXPECT_EQ(port->State(), PortState::MidiDevice(0));  // closing keeps the state
}

TEST_F(SoundPortTest, SerialPortGetsThePairsThenTheTwelveSilencingBytes) {
    Make({"/dev/ttyUSB0"}, {});
    view.selected = 1;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(serialDevices->opens, std::vector<std::string>{"/dev/ttyUSB0"});
    port->SendPair(0x51, 0xF0);
    port->SilenceSoundPort();
    port->CloseSoundPort();
    EXPECT_EQ(serial.bytes, (std::vector<std::uint8_t>{0x51, 0xF0, 0x11, 0x80, 0x11, 0x81, 0x11,
                                                       0x82, 0x11, 0x83, 0x11, 0x84, 0x11, 0x85}));
    EXPECT_EQ(serial.closed, 1);
    EXPECT_EQ(port->State(), PortState::SerialOpen());
}

TEST_F(SoundPortTest, FailedWritesAreReportedAndIgnoredWhileSilencing) {
    Make({"/dev/ttyUSB0"}, {});
    view.selected = 1;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    serialDevices->writeResults = {WriteResult::Failed, WriteResult::Written, WriteResult::Failed};
    EXPECT_EQ(port->SendPair(0x51, 0xF0), SendResult::WriteFailed);
    EXPECT_EQ(port->SendPair(0x52, 0xF0), SendResult::Sent);
    port->SilenceSoundPort();
    EXPECT_EQ(serial.bytes, (std::vector<std::uint8_t>{0x52, 0xF0, 0x11, 0x81, 0x11, 0x82, 0x11,
                                                       0x83, 0x11, 0x84, 0x11, 0x85}));
}

TEST_F(SoundPortTest, LostDeviceIsNotWrittenAgain) {
    Make({"/dev/ttyUSB0"}, {});
    view.selected = 1;
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    serialDevices->writeResults = {WriteResult::Lost};
    EXPECT_EQ(port->SendPair(0x51, 0xF0), SendResult::DeviceLost);
    serialDevices->writeResults = {};
    EXPECT_EQ(port->SendPair(0x52, 0xF0), SendResult::DeviceLost);
    port->SilenceSoundPort();
    port->CloseSoundPort();
    EXPECT_TRUE(serial.bytes.empty());
    EXPECT_EQ(serial.closed, 1);
    // A fresh open starts a fresh line.
    ASSERT_EQ(port->OpenSoundPort(), PortOpenResult::Ready);
    EXPECT_EQ(port->SendPair(0x53, 0xF0), SendResult::Sent);
}

TEST_F(SoundPortTest, TestButtonOnMidiDevice) {
    Make({}, {"Synth"});
    view.selected = 1;
    view.instrument = "";
    port->TestOutput();
    EXPECT_EQ(midi->Messages(), (std::vector<MidiShortMessage>{{0x90, 0x45, 0x7F}}));
    EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::Opened, Kind::Message, Kind::Reset, Kind::Closed}));
}

TEST_F(SoundPortTest, TestButtonOnSerialPortSoundsTheSameNoteAndSilencesIt) {
    Make({"/dev/ttyUSB0"}, {});
    view.selected = 1;
    port->TestOutput();
    EXPECT_EQ(serial.bytes, (std::vector<std::uint8_t>{0x5A, 0xF0, 0x11, 0x80, 0x11, 0x81, 0x11,
                                                       0x82, 0x11, 0x83, 0x11, 0x84, 0x11, 0x85}));
    EXPECT_EQ(serial.closed, 1);
}

TEST_F(SoundPortTest, TestButtonOnNoneDoesNothing) {
    Make({"/dev/ttyUSB0"}, {"Synth"});
    view.selected = 0;
    port->TestOutput();
    EXPECT_TRUE(midi->Log().empty());
    EXPECT_EQ(serial.opened, 0);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(SoundPortTest, TestButtonAfterFailedOpenSaysSo) {
    Make({}, {"Synth"}, {0});
    view.selected = 1;
    port->TestOutput();
    EXPECT_EQ(view.messages, (std::vector<std::string>{"MIDI Device is busy or absent.", "Неуд"}));
}

TEST(SerialEntry, BeginsWithComOrDev) {
    for (const char* serial : {"COM1", "COM12", "COMbo", "/dev/ttyUSB0", "/dev/pts/3"}) {
        EXPECT_TRUE(playback::IsSerialEntry(serial)) << serial;
    }
    for (const char* other : {"none", "com1", "Synth", "/tmp/tty", "dev/ttyS0", "", "CO"}) {
        EXPECT_FALSE(playback::IsSerialEntry(other)) << other;
    }
}

}  // namespace
}  // namespace tonvell::test

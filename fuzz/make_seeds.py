#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the fuzzers' seed corpora: into fuzz/seeds/ small valid MIDI files and
one file for each class of broken input the reader must survive; into
fuzz/seeds-listing/ listings for the player, the longest delays included; into
fuzz/seeds-settings/ settings files with a key to write; into fuzz/seeds-svg/
MIDI files followed by the file name to draw them under and its length byte;
into fuzz/seeds-decimal/ doubles (eight bytes, little-endian) followed by a
count of decimals."""

import pathlib
import struct

SEEDS = pathlib.Path(__file__).resolve().parent / "seeds"
LISTING_SEEDS = SEEDS.parent / "seeds-listing"
SETTINGS_SEEDS = SEEDS.parent / "seeds-settings"
SVG_SEEDS = SEEDS.parent / "seeds-svg"
DECIMAL_SEEDS = SEEDS.parent / "seeds-decimal"


def header(fmt, tracks, ticks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, ticks)


def chunk(body, length=None, name=b"MTrk"):
    return name + struct.pack(">I", len(body) if length is None else length) + body


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


END = b"\x00\xff\x2f\x00"
TEMPO = b"\x00\xff\x51\x03\x07\xa1\x20"
# Note on, a second note under running status, both released (one by a
# velocity-0 note on, one by a note off), program change, a controller.
NOTES = (b"\x00\xc0\x05" b"\x00\xb0\x07\x64"
         b"\x00\x90\x3c\x40" b"\x10\x40\x50" b"\x60\x3c\x00" b"\x08\x80\x40\x00")
TEXT = b"\x00\xff\x03\x04Song"
SYSEX = b"\x00\xf0\x03\x7e\x7f\xf7"

# Seven notes held on one channel: all six voices busy, then a steal and the
# stolen note's later note-off.
POLY = (b"\x00\x90" + b"".join(bytes([0x30 + i, 0x40, 0x00]) for i in range(7))[:-1]
        + b"\x20" + b"".join(bytes([0x30 + i, 0x00, 0x00]) for i in range(7))[:-1])


def fmt0(body, ticks=96):
    return header(0, 1, ticks) + chunk(body)


SEED_FILES = {
    # Valid files.
    "fmt0_notes.mid": fmt0(TEMPO + TEXT + SYSEX + NOTES + END),
    "fmt0_polyphony.mid": fmt0(POLY + END),
    "fmt1_three_tracks.mid": header(1, 3, 96)
        + chunk(TEMPO + TEXT + END)
        + chunk(b"some", name=b"XFIH")  # a foreign chunk between the tracks
        + chunk(NOTES + END)
        + chunk(b"\x05\x91\x3e\x50\x30\x3e\x00" + END),
    "fmt1_one_track.mid": header(1, 1, 96) + chunk(TEMPO + NOTES + END),
    "fmt2_two_tracks.mid": header(2, 2, 96) + chunk(NOTES + END) + chunk(TEMPO + END),
    # Cut short.
    "empty.mid": b"",
    "cut_in_header_10.mid": header(0, 1, 96)[:10],
    "cut_in_header_21.mid": fmt0(NOTES + END)[:21],
    "track_length_past_end.mid": header(0, 1, 96) + chunk(NOTES, length=0x7FFFFFF0),
    "track_length_negative.mid": header(0, 1, 96) + chunk(NOTES, length=0xFFFFFFF0),
    "fmt1_chunk_past_end.mid": header(1, 2, 96) + chunk(TEMPO) + chunk(NOTES, length=4000),
    "fmt1_event_past_chunk.mid": header(1, 2, 96) + chunk(b"\x00\x90\x3c") + chunk(NOTES + END),
    # Variable-length quantities.
    "vlq_five_bytes_delta.mid": fmt0(b"\x80\x80\x80\x80\x00\x90\x3c\x40" + END),
    "vlq_cut_at_end.mid": fmt0(b"\x00\x90\x3c\x40\x81"),
    "vlq_cut_in_meta_length.mid": fmt0(b"\x00\xff\x01\x81"),
    "fmt1_vlq_five_bytes.mid": header(1, 2, 96) + chunk(TEMPO)
        + chunk(b"\xff\xff\xff\xff\x7f\x90\x3c\x40" + END),
    # Meta and system-exclusive lengths.
    "meta_length_past_end.mid": fmt0(b"\x00\xff\x01\x20abc"),
    "meta_length_0fffffff.mid": fmt0(b"\x00\xff\x01\xff\xff\xff\x7fabc" + END),
    "meta_length_five_bytes.mid": fmt0(b"\x00\xff\x01\x80\x80\x80\x80\x03abc" + END),
    "sysex_length_past_end.mid": fmt0(b"\x00\xf0\x40\x7e"),
    "sysex_length_0fffffff.mid": fmt0(b"\x00\xf7\xff\xff\xff\x7f\x01" + END),
    "fmt1_meta_length_0fffffff.mid": header(1, 2, 96) + chunk(TEMPO)
        + chunk(b"\x00\xff\x01\xff\xff\xff\x7fabc" + NOTES),
    # Status bytes.
    "data_byte_first.mid": fmt0(b"\x00\x3c\x40\x00\x90\x3c\x40\x10\x3c\x00" + END),
    "fmt1_data_byte_first.mid": header(1, 2, 96) + chunk(b"\x00\x3c\x40" + END)
        + chunk(NOTES + END),
    "status_f1_to_fe.mid": fmt0(b"".join(bytes([0x01, s, 0x10, 0x20]) for s in range(0xF1, 0xFF))
                                + NOTES + END),
    "fmt1_status_f1_to_fe.mid": header(1, 2, 96) + chunk(TEMPO)
        + chunk(b"".join(bytes([0x01, s, 0x10, 0x20]) for s in range(0xF1, 0xFF)) + NOTES),
    "fmt1_dropped_deltas_overflow.mid": header(1, 2, 96) + chunk(TEMPO)
        + chunk(b"\x00\xf4" + b"\xff\xff\xff\x7f" * 3 + b"\x00\x90\x3c\x40" + END),
    # Tempo events whose length byte is not 3.
    "tempo_length_not_3.mid": fmt0(b"\x00\xff\x51\x02\x07\xa1" + b"\x00\xff\x51\x04\x07\xa1\x20\x00"
                                   + b"\x00\xff\x51\x00" + NOTES + END),
    "tempo_cut.mid": fmt0(b"\x00\xff\x51\x03\x07"),
    # Time scale.
    "ticks_0.mid": fmt0(NOTES + END, ticks=0),
    "ticks_1.mid": fmt0(NOTES + END, ticks=1),
    "ticks_65535.mid": fmt0(b"\x00\x90\x3c\x40" + vlq(0x0FFFFFFF) + b"\x3c\x00" + END,
                            ticks=65535),
    # Track counts.
    "fmt1_tracks_0.mid": header(1, 0, 96) + chunk(NOTES + END),
    "fmt1_tracks_more_than_present.mid": header(1, 9, 96) + chunk(TEMPO + END)
        + chunk(NOTES + END),
    "fmt1_only_foreign_chunks.mid": header(1, 2, 96) + chunk(b"ab", name=b"XFIH")
        + chunk(b"", name=b"Junk"),
    "fmt1_header_only.mid": header(1, 2, 96) + b"MTrk\x00\x00\x00\x00",
}


def listing(lines, tempo=b"DB 0Eh, 87h"):
    head = b"; \r\n; x.mid\r\n; \r\nDWL 8 ;size in bytes\r\n; \r\n"
    return head + tempo + b"\r\n" + b"".join(line + b"\r\n" for line in lines) \
        + b"DB 00h ;end of block\r\n"


NOTE_ON = b"DB 51h, F0h"
NOTE_OFF = b"DB 51h, 80h"
LONGEST_DELAY = b"DB FFh, FFh"

LISTING_SEED_FILES = {
    "worked.inc": listing([NOTE_ON, b"DB 9Fh ;\xef\xe0\xf3\xe7\xe0", NOTE_OFF]),
    "lf_only.inc": listing([NOTE_ON, b"DB 9Fh", NOTE_OFF]).replace(b"\r\n", b"\n"),
    "empty.inc": b"",
    # 45 and 46 of the longest delays at the slowest time unit: about 58 and
    # 59 hours, on either side of the sample position's 64-bit limit.
    "hours_58.inc": listing([LONGEST_DELAY] * 45, tempo=b"DB 0Eh, FFh"),
    "hours_59.inc": listing([LONGEST_DELAY] * 46, tempo=b"DB 0Eh, FFh"),
    "hours_100.inc": listing([NOTE_ON] + [LONGEST_DELAY] * 100 + [NOTE_OFF], tempo=b"DB 0Eh, FFh"),
    "tempo_changes.inc": listing([b"DB 0Eh, 01h", NOTE_ON, b"DB 85h", b"DB 0Eh, 7Fh", NOTE_OFF]),
}


def setting(key, value, file):
    return bytes([key, len(value)]) + value + file


CP1251_FILE = (b"; \xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8\r\n[Other]\r\nName=\xcf\xe0\xef\xea\xe0\r\n"
               b"\r\n[Startup]\r\nExeDirectory=C:\\Tools\r\nDataDirectory=D:\\\xcf\xe0\xef\xea\xe0\r\n"
               b"ExtIndex=2\r\n\r\n; end\r\n")
SETTINGS_SEED_FILES = {
    "new_file.ini": setting(2, b"3", b""),
    "lf.ini": setting(1, b"/home/u", b"[Startup]\nDataDirectory=/m\nExtIndex=1\n"),
    "windows_1251.ini": setting(1, "E:\\Папка".encode(), CP1251_FILE),
    "windows_1251_to_utf8.ini": setting(5, "日本".encode(), CP1251_FILE),
    "last_line_lone_cr.ini": setting(2, b"3", b"[Startup]\nDataDirectory=/m\r"),
    "header_lone_cr.ini": setting(1, b"/n", b"[Startup]\rDataDirectory=/m\n"),
    "cr_only.ini": setting(4, b"Synth A", b"[Other]\rB=2\r[Startup]\rExtIndex=2\r"),
    "mark_before_1251.ini": setting(2, b"4", b"\xef\xbb\xbf" + CP1251_FILE),
    "mark_before_1251_to_utf8.ini": setting(5, "日本".encode(), b"\xef\xbb\xbf" + CP1251_FILE),
    "1251_like_utf8.ini": setting(1, b"/m", b"[Startup]\nDataDirectory=\xcf\nSoundDeviceTembre=\xd0\x90\n"),
    "quoted_values.ini": setting(5, b" \"10\" Flute ", b"[Startup]\nSoundDeviceTembre='x'\n"),
    "line_break_refused.ini": setting(1, b"/a\r\n[Other]", b"[Startup]\nDataDirectory=/m\n"),
}


def drawn(midi, name):
    """An SVG target's input: the file, the name, the name's length."""
    return midi + name + bytes([len(name)])


SVG_SEED_FILES = {
    "notes_plain_name.bin": drawn(fmt0(TEMPO + TEXT + SYSEX + NOTES + END), b"song.mid"),
    "polyphony_markup_name.bin": drawn(fmt0(POLY + END), b"<b>&\"'\x01.mid"),
    "notes_bad_utf8_name.bin": drawn(fmt0(NOTES + END),
                                     b"\xed\xa0\x80\xc0\xaf\xef\xbf\xbf\xf4\x90\x80\x80.mid"),
    "notes_cyrillic_name.bin": drawn(fmt0(NOTES + END), "Привет ♪.mid".encode()),
}


def decimal(value, decimals):
    return struct.pack("<d", value) + bytes([decimals])


DECIMAL_SEED_FILES = {
    "zero.bin": decimal(0.0, 2),
    "minus_zero.bin": decimal(-0.0, 1),
    "half_to_even.bin": decimal(2.5, 0),
    "eighth.bin": decimal(0.125, 2),
    "tiny.bin": decimal(5e-324, 3),
    "large.bin": decimal(1e300, 2),
    "just_below_half.bin": decimal(0.0004999999999999999, 3),
    "nan.bin": decimal(float("nan"), 2),
    "minus_infinity.bin": decimal(float("-inf"), 0),
}


def write_all(folder, files, pattern):
    folder.mkdir(exist_ok=True)
    for old in folder.glob(pattern):
        old.unlink()
    for name, data in files.items():
        (folder / name).write_bytes(data)
    print(f"{len(files)} seeds in {folder}")


def main():
    write_all(SEEDS, SEED_FILES, "*.mid")
    write_all(LISTING_SEEDS, LISTING_SEED_FILES, "*.inc")
    write_all(SETTINGS_SEEDS, SETTINGS_SEED_FILES, "*.ini")
    write_all(SVG_SEEDS, SVG_SEED_FILES, "*.bin")
    write_all(DECIMAL_SEEDS, DECIMAL_SEED_FILES, "*.bin")


if __name__ == "__main__":
    main()

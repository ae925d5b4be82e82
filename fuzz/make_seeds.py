#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the fuzzer's seed corpus into fuzz/seeds/: small valid MIDI files and
one file for each class of broken input the reader must survive."""

import pathlib
import struct

SEEDS = pathlib.Path(__file__).resolve().parent / "seeds"


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


def main():
    SEEDS.mkdir(exist_ok=True)
    for old in SEEDS.glob("*.mid"):
        old.unlink()
    for name, data in SEED_FILES.items():
        (SEEDS / name).write_bytes(data)
    print(f"{len(SEED_FILES)} seeds in {SEEDS}")


if __name__ == "__main__":
    main()

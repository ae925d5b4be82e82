#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a listing of SECONDS seconds (at the initial 15 ms time unit) that
keeps all six voices busy: every 120 ms a new note on each voice, cycling
through four octaves, as a dense piece for the rendering benchmark.

  make_render_piece.py SECONDS > piece.inc
"""
import sys

seconds = float(sys.argv[1])
steps = int(seconds / 0.120)
lines = ["; ", "; render benchmark", "; "]
for step in range(steps):
    pairs = []
    for voice in range(6):
        tone = 1 + (step * 5 + voice * 7) % 12
        octave = 3 + (step + voice) % 4
        velocity = 0x40 + 0x10 * ((step + voice) % 4)
        pairs.append(f"{(octave << 4) | tone:02X}h, {0x80 | velocity | voice:02X}h")
    lines.append("DB " + ", ".join(pairs))
    lines.append("DB 87h ;delay")  # 8 units: 120 ms
lines.append("DB " + ", ".join(f"11h, {0x80 | v:02X}h" for v in range(6)))
lines.append("DB 00h ;end of block")
sys.stdout.write("\r\n".join(lines) + "\r\n")

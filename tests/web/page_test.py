#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Drives the web page (build-web/dist) in headless chromium and checks that it
gives the same bytes as tonvell-cli: the listing saved in the three forms,
the event log, the input report and statistics, the warnings; the refusal
of a file too large and the notice for a file that is not MIDI; an edited
listing saved as it stands; the player's schedule (its timing rules, the
sound an OfflineAudioContext renders from it, Play, Stop and Rewind); the
Russian captions.

Usage: page_test.py DIST_DIR TONVELL_CLI MIDI_FILE...
"""

import base64
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import time

from cdp import Chromium

FORMS = ("inc", "zum", "txt")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def run_cli(cli, *args):
    return subprocess.run([cli, *args], capture_output=True, timeout=60)


def cli_report(cli, path):
    """What tonvell-cli says about a file: its report lines and its warnings."""
    stderr = run_cli(cli, "-t", "inc", path).stderr.decode()
    report, warnings = [], []
    for line in stderr.splitlines():
        if line.startswith("warning: " + path + ": "):
            text = line[len("warning: " + path + ": "):]
            warnings.append(re.sub(r" \((\d+) times\)$", r" (\1)", text))
        elif line.startswith(path + ": "):
            report.append(line[len(path) + 2:])
    return report, warnings


def page_report(result):
    lines = result["inputReport"].split("\n")
    if lines[-1] == "":
        lines.pop()  # no progress line
    return lines + result["statistics"].splitlines()


class Downloads:
    def __init__(self, browser):
        self.folder = tempfile.mkdtemp(prefix="tonvell-downloads-")
        browser.send("Browser.setDownloadBehavior",
                     {"behavior": "allow", "downloadPath": self.folder})

    def take(self, name):
        """The bytes of the downloaded file name, removed once read."""
        path = os.path.join(self.folder, name)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if os.path.exists(path) and not any(n.endswith(".crdownload")
                                                for n in os.listdir(self.folder)):
                data = pathlib.Path(path).read_bytes()
                os.remove(path)
                return data
            time.sleep(0.02)
        return None


def open_file(page, path):
    before = page.evaluate("tonvellPage.conversions")
    page.set_file("#midi-file", path)
    page.wait_for("tonvellPage.conversions > %d" % before)
    return page.evaluate("tonvellPage.lastResult")


def save(page, downloads, form, stem):
    page.evaluate("document.getElementById('save-%s').click()" % form)
    return downloads.take(stem + "." + form)


def saved_bytes(page, form):
    return base64.b64decode(page.evaluate("tonvellPage.fileBytesBase64('%s')" % form))


def check_file(page, downloads, cli, path):
    name = os.path.basename(path)
    stem = os.path.splitext(name)[0]
    result = open_file(page, path)
    listing = page.evaluate("document.getElementById('listing').value")
    refused_as_not_midi = b"not a MIDI file" in run_cli(cli, "-q", "-t", "inc", path).stderr
    if refused_as_not_midi:
        # The command line refuses it; the page, as the window, converts it
        # and says it is not MIDI.
        check("not a MIDI file" in page.evaluate("document.getElementById('messages').textContent"),
              name + ": no notice that the file is not MIDI")
        return
    check(listing == result["listing"], name + ": the listing box differs from the listing")
    for form in FORMS:
        expected = run_cli(cli, "-q", "-t", form, path).stdout
        # Chromium lets a page download only so many files in a row: the
        # first file goes through the download itself, the others through
        # the bytes the Save buttons download.
        saved = save(page, downloads, form, stem) if downloads else saved_bytes(page, form)
        check(saved == expected, name + ": ." + form + (" differs" if saved else " not saved"))
    log = run_cli(cli, "-q", "--log", path).stdout.decode()
    check(result["eventLog"] == log, name + ": event log differs")
    svg_path = os.path.join(tempfile.gettempdir(), "tonvell-web-test-%d.svg" % os.getpid())
    run_cli(cli, "-q", "--svg", svg_path, path)
    check(result["svg"].encode() == pathlib.Path(svg_path).read_bytes(), name + ": SVG differs")
    os.remove(svg_path)
    check(page.evaluate("document.querySelector('#arrangement > svg') !== null"),
          name + ": the picture is not shown")
    report, warnings = cli_report(cli, path)
    check(page_report(result) == report,
          name + ": report differs: %r != %r" % (page_report(result), report))
    check(result["warnings"].splitlines() == warnings,
          name + ": warnings differ: %r != %r" % (result["warnings"], warnings))


def check_too_large(page, cli, folder):
    path = os.path.join(folder, "too-large.mid")
    with open(path, "wb") as f:
        f.write(b"MThd" + bytes(300000 - 4))
    result = open_file(page, path)
    cli_error = run_cli(cli, "-t", "inc", path).stderr.decode()
    check("too large: 300000 bytes (at most 250000 bytes)" in cli_error,
          "tonvell-cli's refusal changed: " + cli_error)
    check(result["refused"] and result["listing"] == "", "a file too large was converted")
    check(result["inputReport"].endswith("\nФайл слишком большой"),
          "no refusal in the input report: " + result["inputReport"])
    check("300000" in result["inputReport"], "the refused file's size is not shown")


def check_edited_listing(page, downloads):
    edited = "; Правка\n\tDB 1,2,3\n"
    page.evaluate("document.getElementById('listing').value = %r" % edited)
    saved = save(page, downloads, "inc", page.evaluate("tonvellPage.savedStem()"))
    check(saved == edited.replace("\n", "\r\n").encode("cp1251"),
          "the edited listing was not saved as it stands: %r" % saved)


# A listing with the player's timing rules: the tempo command's unit (value
# 10: 22 ms), a one-byte delay (3: 4 units), a two-byte delay (1 + 128 * 1:
# 130 units), and a third delay byte that starts a new delay (128 + 1 units,
# then 2 + 1 units).
TIMED_LISTING = """; timing
DB 0Eh, 8Ah
DB 3Ch, F0h
DB 83h ;delay
DB 3Ch, 80h
DB 81h, 81h ;delay
DB 3Ch, F1h
DB 80h, 81h, 82h ;delay
DB 3Ch, 81h
DB 00h
"""
TIMED_GAPS_MS = [4 * 22, 130 * 22, 129 * 22 + 3 * 22]

# Renders the schedule with an OfflineAudioContext at 8 kHz and returns the
# loudest sample in each of the given windows [from ms, to ms).
RENDER_WINDOWS = """(async (text, windows) => {
  const plan = tonvellPage.core.schedule(text);
  const buffer = await TonvellPlayer.renderOffline(plan, 8000);
  const samples = buffer.getChannelData(0);
  return windows.map(([from, to]) => {
    let peak = 0;
    for (let i = Math.round(from * 8); i < Math.min(Math.round(to * 8), samples.length); i++) {
      peak = Math.max(peak, Math.abs(samples[i]));
    }
    return peak;
  });
})"""


def check_player(page):
    plan = page.evaluate("tonvellPage.core.schedule(%s)" % json.dumps(TIMED_LISTING))
    notes = [m for m in plan["messages"] if m["status"] & 0xE0 == 0x80]
    times = [m["ms"] for m in notes]
    gaps = [b - a for a, b in zip(times, times[1:])]
    check(gaps == TIMED_GAPS_MS, "the player's timing: %r != %r" % (gaps, TIMED_GAPS_MS))
    on, off = times[0], times[-1]
    sounding = [(on + 5, times[1] - 5), (times[2] + 5, off - 5)]
    silent = [(0, on - 2), (times[1] + 5, times[2] - 5), (off + 5, plan["end"] + 40)]
    peaks = page.evaluate("%s(%s, %s)" % (RENDER_WINDOWS, json.dumps(TIMED_LISTING),
                                          json.dumps(sounding + silent)))
    check(all(p > 0.01 for p in peaks[:2]) and all(p == 0 for p in peaks[2:]),
          "the rendered sound does not follow the schedule: %r" % peaks)
    # Play, the played line, Stop and Rewind on the page's own listing.
    page.evaluate("document.getElementById('listing').value = %s; "
                  "document.getElementById('listing').dispatchEvent(new Event('input'))"
                  % json.dumps(TIMED_LISTING))
    page.evaluate("document.getElementById('play').click()")
    page.wait_for("tonvellPage.playedLine >= 5")
    check(page.evaluate("document.getElementById('play').disabled && "
                        "!document.getElementById('stop').disabled"), "Play/Stop not switched")
    page.evaluate("document.getElementById('stop').click()")
    stopped_at = page.evaluate("tonvellPage.playedLine")
    check(page.evaluate("!tonvellPage.player.playing"), "Stop did not stop")
    check(stopped_at >= 5, "the played line is not followed")
    page.evaluate("document.getElementById('rewind').click()")
    check(page.evaluate("tonvellPage.playedLine") == 1, "Rewind did not go back to line 1")


def check_russian(browser, url, folder):
    page = browser.open_page(url)
    page.add_init_script(
        "Object.defineProperty(Navigator.prototype, 'language', {get: () => 'ru-RU'});")
    page.load()
    captions = page.evaluate("document.body.innerText")
    check("Входной файл:" in captions and "Выходной файл:" in captions,
          "no Russian captions for a Russian browser")
    path = os.path.join(folder, "not-midi.mid")
    pathlib.Path(path).write_bytes(b"RIFF....")
    open_file(page, path)
    check("не является MIDI-файлом" in page.evaluate("document.getElementById('messages').textContent"),
          "no Russian notice for a file that is not MIDI")


def main():
    dist, cli, inputs = sys.argv[1], sys.argv[2], sys.argv[3:]
    url = pathlib.Path(dist, "index.html").resolve().as_uri()
    folder = tempfile.mkdtemp(prefix="tonvell-web-test-")
    with Chromium() as browser:
        downloads = Downloads(browser)
        page = browser.open_page(url)
        page.load()
        for index, path in enumerate(inputs):
            check_file(page, downloads if index == 0 else None, cli, os.path.abspath(path))
        check_too_large(page, cli, folder)
        check_edited_listing(page, downloads)
        check_player(page)
        check_russian(browser, url, folder)
    print("web page: %d files checked, %d failures" % (len(inputs), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Converting the largest accepted file in the web page (headless chromium)
against tonvell-cli, side by side: each round times one conversion of each,
and the medians are compared. The page's time is its whole conversion call
(the bytes into the module, the conversion, the texts out), once for the
listing alone as tonvell-cli makes it and once with the event log and the
arrangement picture the page shows; tonvell-cli's is the whole process
writing the listing to /dev/null.

Usage: bench/web_bench.py DIST TONVELL_CLI MIDI_FILE [ROUNDS]
Exits 1 when the page takes more than twice tonvell-cli's time."""

import base64
import pathlib
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "web"))
from cdp import Chromium  # noqa: E402

TARGET = 2.0
# One conversion in the page, timed there; %s: what it makes besides the listing.
TIMED = ("(() => { const t = performance.now();"
         " tonvellPage.core.convert(benchBytes, 'bench.mid', %s);"
         " return performance.now() - t; })()")


def main():
    dist, cli, midi = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 30
    data = pathlib.Path(midi).read_bytes()
    cli_ms, page_ms, listing_ms = [], [], []
    with Chromium() as browser:
        page = browser.open_page(pathlib.Path(dist, "index.html").resolve().as_uri())
        page.load()
        page.evaluate("window.benchBytes = Uint8Array.from(atob('%s'), (c) => c.charCodeAt(0)); 0"
                      % base64.b64encode(data).decode())
        for _ in range(rounds):
            start = time.perf_counter()
            subprocess.run([cli, "-q", "-t", "inc", midi], stdout=subprocess.DEVNULL, check=True)
            cli_ms.append((time.perf_counter() - start) * 1000)
            page_ms.append(page.evaluate(TIMED % "{}"))
            listing_ms.append(page.evaluate(TIMED % "{eventLog: false, picture: false}"))
    cli_median, page_median = statistics.median(cli_ms), statistics.median(page_ms)
    listing_median = statistics.median(listing_ms)
    ratio = listing_median / cli_median
    print("| Conversion of %s (%d bytes) | Median [ms] | Min [ms] | Rounds |" % (
        pathlib.Path(midi).name, len(data)))
    print("|:---|---:|---:|---:|")
    print("| `tonvell-cli -t inc FILE` | %.2f | %.2f | %d |" % (cli_median, min(cli_ms), rounds))
    print("| the page, the listing alone | %.2f | %.2f | %d |" % (
        listing_median, min(listing_ms), rounds))
    print("| the page, with event log and picture | %.2f | %.2f | %d |" % (
        page_median, min(page_ms), rounds))
    print("page (the listing alone) / tonvell-cli: %.2f (target <= %.1f)" % (ratio, TARGET))
    return 0 if ratio <= TARGET else 1


if __name__ == "__main__":
    sys.exit(main())

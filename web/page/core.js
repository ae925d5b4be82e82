// SPDX-License-Identifier: MIT
// The converter's core (tonvell_core.js, compiled from the programs' C++)
// behind a small JavaScript interface: bytes in, the texts the window shows
// and the three file forms out.
"use strict";

const TonvellCoreApi = (() => {
  // The texts of a conversion, in the order the module numbers them.
  const PARTS = ["inputReport", "statistics", "eventLog", "listing", "svg", "warnings"];
  const FILE_TYPES = { inc: 0, zum: 1, txt: 2 };
  const encoder = new TextEncoder();
  const decoder = new TextDecoder("utf-8");

  function wrap(module) {
    const bytesAt = (address, size) => module.HEAPU8.subarray(address, address + size);

    // Runs use(address) with bytes copied into the module's memory.
    function withCopy(bytes, use) {
      const address = module._malloc(Math.max(bytes.length, 1));
      try {
        module.HEAPU8.set(bytes, address);
        return use(address);
      } finally {
        module._free(address);
      }
    }

    function lastResult(status) {
      const result = { refused: status !== 0 };
      PARTS.forEach((name, part) => {
        result[name] = decoder.decode(bytesAt(module._tonvell_text(part), module._tonvell_text_size(part)));
      });
      return result;
    }

    return {
      maxInputBytes: module._tonvell_max_input_bytes(),

      // Converts a file's bytes (a Uint8Array); fileName goes into the listing.
      // The event log and the arrangement picture are made unless
      // parts.eventLog or parts.picture is false.
      convert(bytes, fileName, parts = {}) {
        const wanted = (parts.eventLog === false ? 0 : 1) | (parts.picture === false ? 0 : 2);
        const name = encoder.encode(fileName + "\0");
        const status = withCopy(name, (nameAddress) =>
          withCopy(bytes, (address) => module._tonvell_convert(address, bytes.length, nameAddress, wanted)));
        return lastResult(status);
      },

      // The result for a file too large to convert, which is never read.
      refuseTooLarge(size) {
        return lastResult(module._tonvell_refuse_too_large(size));
      },

      // The player's schedule of the listing text, as the window plays it:
      // {end, labels: [{ms, line}], messages: [{ms, status, data1, data2}]}.
      schedule(text) {
        const bytes = encoder.encode(text);
        const size = withCopy(bytes, (address) => module._tonvell_schedule(address, bytes.length));
        const result = { end: 0, labels: [], messages: [] };
        for (const row of decoder.decode(bytesAt(module._tonvell_schedule_text(), size)).split("\n")) {
          const [ms, kind, ...rest] = row.split("\t");
          if (kind === "L") {
            result.labels.push({ ms: Number(ms), line: Number(rest[0].replace(/\D/g, "")) });
          } else if (kind === "M") {
            const [status, data1, data2] = rest.map(Number);
            result.messages.push({ ms: Number(ms), status, data1, data2 });
          } else if (kind === "E") {
            result.end = Number(ms);
          }
        }
        return result;
      },

      // The bytes of the listing text saved as type "inc", "zum" or "txt".
      render(text, type) {
        const bytes = encoder.encode(text);
        const size = withCopy(bytes, (address) => module._tonvell_render(address, bytes.length, FILE_TYPES[type]));
        return bytesAt(module._tonvell_rendered(), size).slice();
      },
    };
  }

  return {
    // Resolves to the interface once the module is ready.
    load: () => TonvellCore().then(wrap),
  };
})();

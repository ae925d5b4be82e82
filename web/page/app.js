// SPDX-License-Identifier: MIT
// The page: a MIDI file chosen or dropped is converted by the core; the
// reports and the listing are shown as the window shows them, and the
// (possibly edited) listing is saved in the three file forms.
"use strict";

(() => {
  const texts = TonvellTexts.forLanguage(navigator.language);
  const byId = (id) => document.getElementById(id);
  const fileInput = byId("midi-file");
  const listing = byId("listing");
  const saveButtons = document.querySelectorAll("#save button");
  const MIDI_HEADER = [0x4d, 0x54, 0x68, 0x64]; // "MThd"
  let core = null;
  let sourceName = ""; // the file the listing came from
  // What scripts and tests wait on: the number of files shown so far.
  const page = { conversions: 0, ready: false };
  window.tonvellPage = page;

  document.documentElement.lang = TonvellTexts.languageOf(navigator.language);
  for (const element of document.querySelectorAll("[data-text]")) {
    element.textContent = texts[element.dataset.text];
  }
  document.title = texts.title;

  function showMessages(lines) {
    byId("messages").textContent = lines.filter((line) => line !== "").join("\n");
  }

  function beginsAsMidi(bytes) {
    return bytes.length >= MIDI_HEADER.length && MIDI_HEADER.every((b, i) => bytes[i] === b);
  }

  // The arrangement picture: the core's SVG, parsed as an XML document (a
  // picture, never markup of the page) and shown in place.
  function showPicture(svg) {
    const box = byId("arrangement");
    const parsed = svg ? new DOMParser().parseFromString(svg, "image/svg+xml").documentElement : null;
    if (!parsed || parsed.nodeName !== "svg") {
      box.textContent = texts.noArrangement;
      return;
    }
    box.replaceChildren(document.importNode(parsed, true));
  }

  // The listing's line number (from 1) shown as played: selected in the box.
  function showPlayedLine(number) {
    byId("line-label").textContent = texts.line + " " + number;
    const lines = listing.value.split("\n");
    const index = Math.min(Math.max(number - 1, 0), lines.length - 1);
    const start = lines.slice(0, index).reduce((sum, line) => sum + line.length + 1, 0);
    listing.setSelectionRange(start, start + lines[index].length);
    const lineHeight = listing.scrollHeight / Math.max(lines.length, 1);
    listing.scrollTop = Math.max(0, index * lineHeight - listing.clientHeight / 2);
    page.playedLine = number;
    updatePlayerButtons();
  }

  const player = new TonvellPlayer.Player(showPlayedLine);
  let plan = null; // the schedule of planText
  let planText = null;
  page.player = player;

  function updatePlayerButtons() {
    byId("play").disabled = player.playing || listing.value === "";
    byId("stop").disabled = !player.playing;
  }

  function play() {
    if (planText !== listing.value) {
      planText = listing.value;
      plan = core.schedule(planText);
    }
    player.play(plan);
    updatePlayerButtons();
  }

  function show(result, notice) {
    byId("input-report").textContent = result.inputReport;
    byId("statistics").textContent = result.statistics;
    byId("event-log").value = result.eventLog;
    player.reset();
    listing.value = result.listing;
    listing.scrollTop = 0;
    updatePlayerButtons();
    showMessages([notice, result.warnings.trimEnd()]);
    showPicture(result.svg);
    for (const button of saveButtons) {
      button.disabled = false;
    }
    page.lastResult = result;
    page.conversions += 1;
    document.dispatchEvent(new CustomEvent("tonvell-converted", { detail: result }));
  }

  async function open(file) {
    if (!core || !file) {
      return;
    }
    sourceName = file.name;
    if (file.size > core.maxInputBytes) {
      // Refused as the programs refuse it, before a byte is read.
      show(core.refuseTooLarge(file.size), "");
      return;
    }
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (error) {
      showMessages([texts.cannotRead + error.message]);
      page.conversions += 1;
      return;
    }
    const result = core.convert(bytes, file.name);
    show(result, result.refused || beginsAsMidi(bytes) ? "" : texts.notMidi);
  }

  // The name the window proposes: the input's name without its extension.
  function savedStem() {
    const dot = sourceName.lastIndexOf(".");
    return (dot < 0 ? sourceName : sourceName.slice(0, dot)) || "listing";
  }
  page.savedStem = savedStem;

  // The bytes of the listing box's text saved as type: what Save downloads.
  function fileBytes(type) {
    return core.render(listing.value, type);
  }
  // For tests: the bytes Save would download, in base64.
  page.fileBytesBase64 = (type) => btoa(Array.from(fileBytes(type), (b) => String.fromCharCode(b)).join(""));

  function save(type) {
    const bytes = fileBytes(type);
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
    link.download = savedStem() + "." + type;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  byId("play").addEventListener("click", play);
  byId("stop").addEventListener("click", () => {
    player.stop();
    updatePlayerButtons();
  });
  byId("rewind").addEventListener("click", () => {
    player.rewind();
    updatePlayerButtons();
  });
  listing.addEventListener("input", updatePlayerButtons);
  fileInput.addEventListener("change", () => open(fileInput.files[0]));
  for (const button of saveButtons) {
    button.addEventListener("click", () => save(button.dataset.type));
  }
  const dropZone = document.body;
  dropZone.addEventListener("dragover", (event) => {
    event.preventDefault();
    byId("drop-zone").classList.add("dragging");
  });
  dropZone.addEventListener("dragleave", () => byId("drop-zone").classList.remove("dragging"));
  dropZone.addEventListener("drop", (event) => {
    event.preventDefault();
    byId("drop-zone").classList.remove("dragging");
    open(event.dataTransfer.files[0]);
  });

  TonvellCoreApi.load().then(
    (loaded) => {
      core = loaded;
      page.core = loaded;
      page.ready = true;
      byId("status").textContent = "";
      if (fileInput.files[0]) {
        open(fileInput.files[0]);
      }
    },
    (error) => {
      byId("status").textContent = String(error);
    },
  );
})();

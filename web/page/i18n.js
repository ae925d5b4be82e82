// SPDX-License-Identifier: MIT
// The page's texts in English and Russian, chosen by the browser's language.
// The Russian captions are the window's.
"use strict";

const TonvellTexts = (() => {
  const texts = {
    en: {
      title: "MIDI-to-ZUM converter",
      chooseFile: "MIDI file:",
      dropHint: "or drop a MIDI file here",
      inputReport: "Input file:",
      statistics: "Output file:",
      eventLog: "Event log",
      listing: "Listing",
      save: "Save as",
      noData: "No data",
      noFile: "No file loaded",
      loading: "Loading the converter…",
      notMidi:
        "This file is not a MIDI file: it does not begin with the header MThd.\nChoose a file in the MIDI format (*.mid).",
      cannotRead: "The file cannot be read: ",
      arrangement: "Arrangement",
      noArrangement: "No arrangement: convert a MIDI file first.",
      edited: "The listing was edited: the picture shows the converted file.",
      player: "Player",
      play: "Play",
      stop: "Stop",
      rewind: "| <--",
      line: "Line:",
      device: "Play on",
      webAudio: "this computer (Web Audio)",
      serial: "the instrument (serial port, 9600 8N1)",
      noSerial:
        "This browser has no Web Serial: playing on the instrument needs a Chromium-based browser (Chrome, Edge, Opera) on a secure page (https:// or a local file).",
      serialFailed: "The serial port cannot be opened: ",
    },
    ru: {
      title: "MIDI-to-ZUM converter",
      chooseFile: "MIDI-файл:",
      dropHint: "или перетащите MIDI-файл сюда",
      inputReport: "Входной файл:",
      statistics: "Выходной файл:",
      eventLog: "События",
      listing: "Листинг",
      save: "Сохранить как",
      noData: "Нет данных",
      noFile: "Файл не загружен",
      loading: "Загрузка конвертера…",
      notMidi:
        "Этот файл не является MIDI-файлом: он не начинается с заголовка MThd.\nВыберите файл в формате MIDI (*.mid).",
      cannotRead: "Файл не прочитан: ",
      arrangement: "Аранжировка",
      noArrangement: "Аранжировки нет: сначала откройте MIDI-файл.",
      edited: "Листинг изменён: картинка показывает исходный файл.",
      player: "Проигрыватель",
      play: "Play",
      stop: "Stop",
      rewind: "| <--",
      line: "Line:",
      device: "Выбор устройства для проигрывания",
      webAudio: "этот компьютер (Web Audio)",
      serial: "инструмент (последовательный порт, 9600 8N1)",
      noSerial:
        "В этом браузере нет Web Serial: для игры на инструменте нужен браузер на основе Chromium (Chrome, Edge, Opera) и защищённая страница (https:// или локальный файл).",
      serialFailed: "Последовательный порт не открыт: ",
    },
  };

  // "ru", "ru-RU", … choose Russian; every other language English.
  function languageOf(tag) {
    return /^ru\b/i.test(tag || "") ? "ru" : "en";
  }

  return {
    languageOf,
    forLanguage: (tag) => texts[languageOf(tag)],
  };
})();

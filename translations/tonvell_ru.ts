<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>TForm1</name>
    <message>
        <source>This file is not a MIDI file: it does not begin with the header MThd.
Choose a file in the MIDI format (*.mid).</source>
        <translation>Этот файл не является MIDI-файлом: он не начинается с заголовка MThd.
Выберите файл в формате MIDI (*.mid).</translation>
    </message>
    <message>
        <source>none</source>
        <translation>нет</translation>
    </message>
    <message>
        <source>The edited listing could not be kept: no file could be created</source>
        <translation>Изменённый листинг не сохранён: не удалось создать файл</translation>
    </message>
    <message>
        <source>The edited listing was kept in %1</source>
        <translation>Изменённый листинг сохранён в файле %1</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
    <message>
        <source>Show the arrangement</source>
        <translation>Показать аранжировку</translation>
    </message>
</context>
<context>
    <name>tonvell::app::ListingGuard</name>
    <message>
        <source>The listing was changed. Save the changes before converting another file?</source>
        <translation>Листинг был изменён. Сохранить изменения перед обработкой другого файла?</translation>
    </message>
    <message>
        <source>The listing was changed. Save the changes before closing the program?</source>
        <translation>Листинг был изменён. Сохранить изменения перед закрытием программы?</translation>
    </message>
</context>
<context>
    <name>tonvell::app::ListingRecovery</name>
    <message>
        <source>The program was closed by a signal, and the edited listing was kept in the file:
</source>
        <translation>Программа была закрыта сигналом, и изменённый листинг сохранён в файле:
</translation>
    </message>
</context>
<context>
    <name>tonvell::app::TonvellApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
</context>
<context>
    <name>tonvell::playback</name>
    <message>
        <source>The built-in synthesizer needs the FluidSynth library, which cannot be loaded. Install the package libfluidsynth3.</source>
        <translation>Встроенному синтезатору нужна библиотека FluidSynth, а её не удаётся загрузить. Установите пакет libfluidsynth3.</translation>
    </message>
    <message>
        <source>The built-in synthesizer found no SoundFont. Install the package fluid-soundfont-gm or timgm6mb-soundfont.</source>
        <translation>Встроенный синтезатор не нашёл SoundFont. Установите пакет fluid-soundfont-gm или timgm6mb-soundfont.</translation>
    </message>
    <message>
        <source>The built-in synthesizer cannot read the SoundFont %1. Reinstall its package, or install fluid-soundfont-gm.</source>
        <translation>Встроенный синтезатор не может прочитать SoundFont %1. Переустановите его пакет или установите fluid-soundfont-gm.</translation>
    </message>
    <message>
        <source>The built-in synthesizer cannot take the SoundFont you chose (%1). Correct TONVELL_SOUNDFONT, or unset it to use the system&apos;s.</source>
        <translation>Встроенный синтезатор не может взять выбранный вами SoundFont (%1). Исправьте TONVELL_SOUNDFONT или уберите эту переменную, чтобы звучал системный.</translation>
    </message>
    <message>
        <source>The built-in synthesizer cannot reach an audio output. Check that a sound device is present and that PipeWire, PulseAudio or ALSA is running.</source>
        <translation>Встроенный синтезатор не может подключиться к выводу звука. Проверьте, что звуковое устройство есть и что работает PipeWire, PulseAudio или ALSA.</translation>
    </message>
    <message>
        <source>Built-in synthesizer (FluidSynth)</source>
        <translation>Встроенный синтезатор</translation>
    </message>
    <message>
        <source>a folder, not a SoundFont</source>
        <translation>папка, а не SoundFont</translation>
    </message>
    <message>
        <source>not a plain file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <source>not a SoundFont</source>
        <translation>не SoundFont</translation>
    </message>
    <message>
        <source>%1 names %2: %3</source>
        <translation>%1 указывает на %2: %3</translation>
    </message>
</context>
</TS>

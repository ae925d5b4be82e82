<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>InputRefusal</name>
    <message>
        <source>The file is too large: %1 bytes. Files of at most %2 bytes are read.</source>
        <translation>Файл слишком большой: %1 байт. Читаются файлы не больше %2 байт.</translation>
    </message>
    <message>
        <source>The file is empty</source>
        <translation>Файл пуст</translation>
    </message>
    <message>
        <source>The file is empty (0 bytes): there is nothing in it to convert.</source>
        <translation>Файл пуст (0 байт): в нём нечего обрабатывать.</translation>
    </message>
    <message>
        <source>Not a MIDI file</source>
        <translation>Не MIDI-файл</translation>
    </message>
    <message>
        <source>This file is not a MIDI file: it does not begin with the header MThd.
Choose a file in the MIDI format (*.mid).</source>
        <translation>Этот файл не является MIDI-файлом: он не начинается с заголовка MThd.
Выберите файл в формате MIDI (*.mid).</translation>
    </message>
</context>
<context>
    <name>ListingFile</name>
    <message>
        <source>The listing could not be opened: %1</source>
        <translation>Листинг не открыт: %1</translation>
    </message>
    <message>
        <source>The listing could not be read.</source>
        <translation>Листинг не прочитан.</translation>
    </message>
    <message>
        <source>The file is too large for a listing: more than %1 bytes.</source>
        <translation>Файл слишком большой для листинга: больше %1 байт.</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
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
    <message>
        <source>Convert the chosen file again</source>
        <translation>Обработать выбранный файл заново</translation>
    </message>
    <message>
        <source>Copy the whole listing</source>
        <translation>Копировать весь листинг</translation>
    </message>
    <message>
        <source>Save the listing (Ctrl+S)</source>
        <translation>Сохранить листинг (Ctrl+S)</translation>
    </message>
    <message>
        <source>Play the listing (F5)</source>
        <translation>Проиграть листинг (F5)</translation>
    </message>
    <message>
        <source>Stop (Esc, Shift+F5)</source>
        <translation>Остановить (Esc, Shift+F5)</translation>
    </message>
    <message>
        <source>Back to the first line (Ctrl+Home)</source>
        <translation>К первой строке (Ctrl+Home)</translation>
    </message>
    <message>
        <source>Help (F1)</source>
        <translation>Справка (F1)</translation>
    </message>
    <message>
        <source>The listing: F2 shows its arrangement, Ctrl+O opens a saved listing</source>
        <translation>Листинг: F2 показывает аранжировку, Ctrl+O открывает сохранённый листинг</translation>
    </message>
    <message>
        <source>Open a listing</source>
        <translation>Открыть листинг</translation>
    </message>
    <message>
        <source>Listings (*.inc *.txt);;All files (*)</source>
        <translation>Листинги (*.inc *.txt);;Все файлы (*)</translation>
    </message>
    <message>
        <source>Listing file</source>
        <translation>Файл листинга</translation>
    </message>
    <message>
        <source>A listing read from a file:</source>
        <translation>Листинг прочитан из файла:</translation>
    </message>
    <message>
        <source>Open a listing…</source>
        <translation>Открыть листинг…</translation>
    </message>
    <message>
        <source>Channels and notes...</source>
        <translation>Каналы и ноты...</translation>
    </message>
</context>
<context>
    <name>tonvell::app::ArrangementLegend</name>
    <message>
        <source>voice %1</source>
        <translation>голос %1</translation>
    </message>
    <message>
        <source>lost part</source>
        <translation>потерянная часть</translation>
    </message>
    <message>
        <source>voice taken by another note</source>
        <translation>голос взят другой нотой</translation>
    </message>
    <message>
        <source>never sounds: voice taken at once</source>
        <translation>не звучит: голос сразу взят</translation>
    </message>
    <message>
        <source>never sounds: channels 10–16</source>
        <translation>не звучит: каналы 10–16</translation>
    </message>
</context>
<context>
    <name>tonvell::app::ArrangementWindow</name>
    <message>
        <source>Arrangement</source>
        <translation>Аранжировка</translation>
    </message>
    <message>
        <source>The listing was edited by hand: the picture shows the piece as the conversion made it.</source>
        <translation>Листинг изменён вручную: картинка показывает пьесу, какой её дало преобразование.</translation>
    </message>
    <message>
        <source>Time −</source>
        <translation>Время −</translation>
    </message>
    <message>
        <source>Less time detail; also Ctrl+wheel</source>
        <translation>Мельче по времени; также Ctrl+колесо</translation>
    </message>
    <message>
        <source>Time +</source>
        <translation>Время +</translation>
    </message>
    <message>
        <source>More time detail; also Ctrl+wheel</source>
        <translation>Крупнее по времени; также Ctrl+колесо</translation>
    </message>
    <message>
        <source>Pitch −</source>
        <translation>Высота −</translation>
    </message>
    <message>
        <source>Lower rows; also Ctrl+Shift+wheel</source>
        <translation>Мельче по высоте; также Ctrl+Shift+колесо</translation>
    </message>
    <message>
        <source>Pitch +</source>
        <translation>Высота +</translation>
    </message>
    <message>
        <source>Taller rows; also Ctrl+Shift+wheel</source>
        <translation>Крупнее по высоте; также Ctrl+Shift+колесо</translation>
    </message>
    <message>
        <source>Whole piece</source>
        <translation>Вся пьеса</translation>
    </message>
    <message>
        <source>The whole piece in the window</source>
        <translation>Вся пьеса в окне</translation>
    </message>
    <message>
        <source>1:1</source>
        <translation>1:1</translation>
    </message>
    <message>
        <source>The usual scale</source>
        <translation>Обычный масштаб</translation>
    </message>
    <message>
        <source>Arrangement: %1</source>
        <translation>Аранжировка: %1</translation>
    </message>
    <message>
        <source>the file is larger than %1 bytes (%2).</source>
        <translation>файл больше %1 байт (%2).</translation>
    </message>
    <message>
        <source>the file could not be read: %1.</source>
        <translation>файл не прочитан: %1.</translation>
    </message>
    <message>
        <source>No picture of %1:
%2</source>
        <translation>Картинки нет: %1
%2</translation>
    </message>
</context>
<context>
    <name>tonvell::app::ArrangerChoices</name>
    <message>
        <source>Channels the voices play:</source>
        <translation>Каналы, которые играют голоса:</translation>
    </message>
    <message>
        <source>Transposition, semitones:</source>
        <translation>Транспонирование, полутонов:</translation>
    </message>
    <message>
        <source>When all six voices are busy:</source>
        <translation>Когда заняты все шесть голосов:</translation>
    </message>
    <message>
        <source>the new note takes a voice</source>
        <translation>новая нота берёт голос</translation>
    </message>
    <message>
        <source>the sounding notes stay</source>
        <translation>звучащие ноты остаются</translation>
    </message>
    <message>
        <source>the highest notes stay (melody)</source>
        <translation>остаются верхние ноты (мелодия)</translation>
    </message>
    <message>
        <source>the lowest notes stay (bass)</source>
        <translation>остаются нижние ноты (бас)</translation>
    </message>
    <message>
        <source>Defaults</source>
        <translation>По умолчанию</translation>
    </message>
    <message>
        <source>Channels 1–9, no transposition, the new note takes a voice</source>
        <translation>Каналы 1–9, без транспонирования, новая нота берёт голос</translation>
    </message>
    <message>
        <source>Channel %1</source>
        <translation>Канал %1</translation>
    </message>
    <message>
        <source>%1 notes</source>
        <translation>%1 нот</translation>
    </message>
    <message>
        <source>Channels and notes</source>
        <translation>Каналы и ноты</translation>
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
    <message>
        <source>The listing was changed. Save the changes before converting the file again?</source>
        <translation>Листинг был изменён. Сохранить изменения перед повторной обработкой файла?</translation>
    </message>
    <message>
        <source>The listing was changed. Save the changes before opening a listing?</source>
        <translation>Листинг был изменён. Сохранить изменения перед открытием листинга?</translation>
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
    <name>tonvell::app::TransportView</name>
    <message>
        <source>bar %1</source>
        <translation>такт %1</translation>
    </message>
    <message>
        <source>voice %1: %2</source>
        <translation>голос %1: %2</translation>
    </message>
    <message>
        <source>silent</source>
        <translation>молчит</translation>
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

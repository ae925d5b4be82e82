// SPDX-License-Identifier: MIT
// The window speaks the system's language. On a Russian system Qt's own parts
// (the save dialog, its question before replacing a file, the buttons of
// message boxes) and the program's own texts (the output list's entries, the
// built-in synthesizer's messages, the questions and notices) are Russian; on
// any other they are English. The window's fixed captions and messages are
// the same in both. The test sets the system's language itself, before the
// application starts, so it needs no locale installed on the machine:
// Russian, or English when its first argument is "C".

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/listing_guard.h"
#include "app/listing_recovery.h"
#include "app/tform1.h"
#include "app/tonvell_application.h"
#include "test_support.h"
#ifdef TONVELL_HAVE_SYNTH
#include "playback/fluid_synth_backend.h"
#include "playback/soundfont_lookup.h"
#endif

using tonvell::test::RecordingMessageBoxes;
using tonvell::test::ShownBox;
using tonvell::test::WhenModal;
using tonvell::test::WriteFile;

namespace {

// A button's text as the user reads it: without the "&" of its shortcut.
QString Shown(const QAbstractButton* button) {
    return button ? QString(button->text()).remove(QLatin1Char('&')) : QString();
}

QStringList ButtonTexts(const QDialogButtonBox* box) {
    QStringList texts;
    if (box) {
        for (const QAbstractButton* button : box->buttons()) {
            texts << Shown(button);
        }
    }
    texts.sort();
    return texts;
}

bool Russian() {
    return QLocale::system().language() == QLocale::Russian;
}

// The window's sound outputs: the built-in synthesizer, which cannot load its
// library, where it is built.
tonvell::playback::SoundBackends Outputs() {
    tonvell::playback::SoundBackends backends;
#ifdef TONVELL_HAVE_SYNTH
    tonvell::playback::FluidSynthBackend::Setup setup;
    setup.libraryInstallable = [] { return true; };
    setup.loadLibrary = []() -> const tonvell::playback::FluidApi* { return nullptr; };
    backends.midi.push_back(std::make_unique<tonvell::playback::FluidSynthBackend>(setup));
#endif
    return backends;
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void textsInTheSystemsLanguage_data();
    void textsInTheSystemsLanguage();
    void saveDialogAndQuestionInRussian();

private:
    // What the window shows for a row of the table, by the row's name.
    QString ShownFor(const QString& row);
    QString FirstBoxAfter(const std::function<void()>& action);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    std::vector<ShownBox> boxes_;
};

void LanguageTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    boxes_.clear();
    form_ = std::make_unique<TForm1>(Outputs());
    form_->SetMessageBoxes(std::make_unique<RecordingMessageBoxes>(boxes_));
    form_->DirectoryListBox1->SetDirectory(dir_->path());
}

void LanguageTest::cleanup() {
    form_.reset();
    dir_.reset();
}

QString LanguageTest::FirstBoxAfter(const std::function<void()>& action) {
    boxes_.clear();
    action();
    return boxes_.empty() ? QStringLiteral("(no message)") : boxes_.front().text;
}

QString LanguageTest::ShownFor(const QString& row) {
    TForm1& f = *form_;
    const auto convert = [&](const QByteArray& bytes) {
        return FirstBoxAfter([&] {
            WriteFile(dir_->filePath(QStringLiteral("x.mid")), bytes);
            f.DirectoryListBox1->SetDirectory(dir_->path());
            QVERIFY(f.FileListBox1->SelectFile(QStringLiteral("x.mid")));
        });
    };
    const std::map<QString, std::function<QString()>> shown = {
        {"output none", [&] { return f.ComboBox11->itemText(0); }},
        {"not a MIDI file", [&] { return convert("This is text.\n"); }},
        {"question", [] { return tonvell::app::ListingEditedQuestion(); }},
        {"question on close", [] { return tonvell::app::ListingEditedOnCloseQuestion(); }},
        {"recovered listing",
         [] { return tonvell::app::RecoveryNoticeText({QStringLiteral("/home/u/a.txt")}); }},
#ifdef TONVELL_HAVE_SYNTH
        {"synthesizer", [&] { return f.ComboBox11->itemText(1); }},
        {"synthesizer fails",
         [&] {
             f.ComboBox11->setCurrentIndex(1);
             f.Memo2->setPlainText(QStringLiteral("DB 00h"));
             return FirstBoxAfter([&] { QTest::mouseClick(f.Button4, Qt::LeftButton); });
         }},
        {"chosen SoundFont",
         [&] {
             qputenv("TONVELL_SOUNDFONT", QFile::encodeName(dir_->path()));
             const std::string problem = tonvell::playback::ChosenSoundFontProblem();
             qunsetenv("TONVELL_SOUNDFONT");
             return QString::fromStdString(tonvell::playback::FluidSynthBackend::FailureText(
                 tonvell::playback::FluidSynthBackend::Failure::ChosenSoundFont, problem));
         }},
#endif
        // The fixed captions and messages of the window, in every language.
        {"title", [&] { return f.windowTitle(); }},
        {"convert", [&] { return f.Button2->text(); }},
        {"input", [&] { return f.GroupBox2->title(); }},
        {"save", [&] { return f.Button3->text(); }},
        {"player", [&] { return f.GroupBox3->title(); }},
        {"play", [&] { return f.Button4->text(); }},
        {"line", [&] { return f.Label2->text(); }},
        {"first instrument", [&] { return f.ComboBox12->itemText(0); }},
        {"long delta", [&] { return convert(tonvell::test::LongDeltaFile()); }},
    };
    const auto found = shown.find(row);
    return found == shown.end() ? QStringLiteral("(no such row)") : found->second();
}

void LanguageTest::textsInTheSystemsLanguage_data() {
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    const auto row = [](const char* name, const char* english, const char* russian) {
        QTest::newRow(name) << QString::fromUtf8(english) << QString::fromUtf8(russian);
    };
    row("output none", "none", "нет");
    row("not a MIDI file",
        "This file is not a MIDI file: it does not begin with the header MThd.\n"
        "Choose a file in the MIDI format (*.mid).",
        "Этот файл не является MIDI-файлом: он не начинается с заголовка MThd.\n"
        "Выберите файл в формате MIDI (*.mid).");
    row("question", "The listing was changed. Save the changes before converting another file?",
        "Листинг был изменён. Сохранить изменения перед обработкой другого файла?");
    row("question on close",
        "The listing was changed. Save the changes before closing the program?",
        "Листинг был изменён. Сохранить изменения перед закрытием программы?");
    row("recovered listing",
        "The program was closed by a signal, and the edited listing was kept in the file:\n"
        "/home/u/a.txt",
        "Программа была закрыта сигналом, и изменённый листинг сохранён в файле:\n"
        "/home/u/a.txt");
#ifdef TONVELL_HAVE_SYNTH
    row("synthesizer", "Built-in synthesizer (FluidSynth)", "Встроенный синтезатор");
    row("synthesizer fails",
        "The built-in synthesizer needs the FluidSynth library, which cannot be loaded. "
        "Install the package libfluidsynth3.",
        "Встроенному синтезатору нужна библиотека FluidSynth, а её не удаётся загрузить. "
        "Установите пакет libfluidsynth3.");
    // A message with a message inside it, both in the one language; %1 is
    // the folder chosen as the SoundFont.
    row("chosen SoundFont",
        "The built-in synthesizer cannot take the SoundFont you chose (TONVELL_SOUNDFONT "
        "names %1: a folder, not a SoundFont). Correct TONVELL_SOUNDFONT, or unset it to use "
        "the system's.",
        "Встроенный синтезатор не может взять выбранный вами SoundFont (TONVELL_SOUNDFONT "
        "указывает на %1: папка, а не SoundFont). Исправьте TONVELL_SOUNDFONT или уберите эту "
        "переменную, чтобы звучал системный.");
#endif
    row("title", "MIDI-to-ZUM converter", "MIDI-to-ZUM converter");
    row("convert", "Обработать! -->", "Обработать! -->");
    row("input", "Входной файл:", "Входной файл:");
    row("save", "Сохранить...", "Сохранить...");
    row("player", "Проигрыватель", "Проигрыватель");
    row("play", "Play", "Play");
    row("line", "Line:", "Line:");
    row("first instrument", "00 Piano", "00 Piano");
    row("long delta", "Time field is too long", "Time field is too long");
}

void LanguageTest::textsInTheSystemsLanguage() {
    QFETCH(QString, english);
    QFETCH(QString, russian);
    QString expected = Russian() ? russian : english;
    if (expected.contains(QLatin1String("%1"))) {
        expected = expected.arg(dir_->path());
    }
    QCOMPARE(ShownFor(QString::fromUtf8(QTest::currentDataTag())), expected);
}

void LanguageTest::saveDialogAndQuestionInRussian() {
    if (!Russian()) {
        QSKIP("Qt's own texts in Russian: on a Russian system only");
    }
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.inc"));
    WriteFile(existing, "old");
    TForm1& form = *form_;
    form.SetSaveDialogRunner(std::make_unique<tonvell::app::QtSaveDialogRunner>(true));
    form.Memo2->setPlainText(QStringLiteral("DB 00h"));
    form.show();

    QStringList dialogButtons;
    QStringList types;
    QStringList questionButtons;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialogButtons = ButtonTexts(dialog->findChild<QDialogButtonBox*>());
        if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < combo->count(); ++i) {
                types << combo->itemText(i);
            }
        }
        WhenModal<QMessageBox>([&, dialog](QMessageBox* question) {
            for (QAbstractButton* button : question->buttons()) {
                questionButtons << Shown(button);
            }
            questionButtons.sort();
            question->button(QMessageBox::No)->click();
            QTimer::singleShot(50, dialog, [dialog] { dialog->reject(); });
        });
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(existing);
        }
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    QTest::mouseClick(form.Button3, Qt::LeftButton);

    QCOMPARE(dialogButtons, QStringList({"Отмена", "Сохранить"}));
    QCOMPARE(types, QStringList({"Файлы *.inc", "Файлы *.zum", "Файлы *.txt", "Все файлы"}));
    // A message box's buttons (Russian keeps "OK" as it is).
    QCOMPARE(questionButtons, QStringList({"Да", "Нет"}));
    QCOMPARE(tonvell::test::ReadFile(existing), QByteArray("old"));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The system's language, as LANG says it to Qt, whatever locales are
    // installed: Russian, or English for the first argument "C".
    const bool english = argc > 1 && std::strcmp(argv[1], "C") == 0;
    if (english) {
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
        qunsetenv(name);
    }
    qputenv("LANG", english ? "C.UTF-8" : "ru_RU.UTF-8");
    tonvell::app::TonvellApplication app(argc, argv);
    LanguageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "language_test.moc"

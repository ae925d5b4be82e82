// SPDX-License-Identifier: MIT
#include "app/tform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <exception>
#include <string>

#include "app/app_support.h"
#include "app/arrangement_window.h"
#include "app/arranger_choices.h"
#include "app/control_look.h"
#include "app/file_drop.h"
#include "app/folder_model.h"
#include "app/group_box.h"
#include "app/input_refusal.h"
#include "app/listing_box.h"
#include "app/listing_file.h"
#include "app/listing_guard.h"
#include "app/listing_recovery.h"
#include "app/played_line_highlight.h"
#include "app/player_window_view.h"
#include "app/saved_choices.h"
#include "app/screen_pace.h"
#include "app/settings.h"
#include "app/termination_signals.h"
#include "app/transport_view.h"
#include "app/window_layout.h"
#include "app/window_look.h"
#include "convert/cp1251.h"
#include "output/listing_formats.h"
#include "output/save_listing.h"
#include "playback/offline_playback.h"
#include "playback/player_thread.h"
#include "playback/system_backends.h"

TForm1* Form1 = nullptr;

namespace {

using tonvell::app::ApplicationTitle;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The lines joined by "\n", with no break after the last, built as one
// string so that a text box receives its whole text in one call.
QString JoinLines(const std::vector<std::string>& lines) {
    std::string text = tonvell::JoinLines(lines);
    if (!text.empty()) {
        text.pop_back();
    }
    return FromUtf8(text);
}

// The picture of no notes, for a file that gives none.
tonvell::Arrangement EmptyArrangement(const QString& path) {
    tonvell::Arrangement arrangement;
    arrangement.fileName = QFileInfo(path).fileName().toStdString();
    return arrangement;
}

// Drive G:, where the tool's files were kept on the systems it came from.
// Drive lists without letters (every Unix) have no such drive.
constexpr QLatin1String kDriveG("G:/");

// A window larger than the design size gives a quarter of its extra width to
// the file list, a quarter to the event log and half to the listing, and its
// extra height to the lists and the two text boxes; the rest keeps its size.
// The share of the extra width left of each column's right edge:
constexpr float kFileListEnd = 0.25F;
constexpr float kEventLogEnd = 0.5F;

using tonvell::app::Growth;
constexpr Growth kStays{};
constexpr Growth kFileColumn{.left = 0, .right = kFileListEnd};
constexpr Growth kInputColumn{.left = kFileListEnd, .right = kFileListEnd};
// Left of the listing: moves with its left edge.
constexpr Growth kAtListing{.left = kEventLogEnd, .right = kEventLogEnd};
constexpr Growth kRightSide{.left = 1, .right = 1};

// growth, stretched to the window's extra height as well.
constexpr Growth Tall(Growth growth) {
    growth.bottom = 1;
    return growth;
}
// growth, kept at the window's bottom edge.
constexpr Growth AtBottom(Growth growth) {
    growth.top = 1;
    growth.bottom = 1;
    return growth;
}

}  // namespace

namespace tonvell::app {

void ReportEscapedError(const QString& text) {
    if (Form1) {
        Form1->ReportError(text);
        return;
    }
    QtMessageBoxes(nullptr).Error(ApplicationTitle(), text);
}

}  // namespace tonvell::app

TForm1::TForm1(QWidget* parent) : TForm1(tonvell::playback::SystemSoundBackends(), parent) {}

TForm1::TForm1(tonvell::playback::SoundBackends backends, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      messages_(std::make_unique<tonvell::app::QtMessageBoxes>(this)),
      saveDialog_(std::make_unique<tonvell::app::QtSaveDialogRunner>()) {
    Form1 = this;
    setWindowTitle(QStringLiteral("MIDI-to-ZUM converter"));
    setFont(tonvell::app::WindowFont());
    setPalette(tonvell::app::WithReadableDisabledText(QApplication::palette(this)));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kClientWidth, kClientHeight);
    setAcceptDrops(true);
    layout_ =
        std::make_unique<tonvell::app::WindowLayout>(*this, QSize(kClientWidth, kClientHeight));
    BuildControls();
    CreatePlayback(std::move(backends));
    WireHandlers();
    SetTabOrder();
    CreateShortcuts();
    ShowKeysInTooltips();

    DriveComboBox1->SetDrives(tonvell::app::BrowserDrives());
    DirectoryListBox1->SetDirectory(QDir::currentPath());
    StartUp();
    UpdateListingActions();
    Memo1->setFocus();
}

TForm1::~TForm1() {
    if (Form1 == this) {
        Form1 = nullptr;
    }
}

// The window is made in three steps: the controls with their texts and
// states, their object names, then their places from one table.
void TForm1::BuildControls() {
    MakeBrowser();
    MakeInputArea();
    MakeChannelMap();
    MakeOutputArea();
    MakePlayer();
    MakeHelp();
    NameControls();
    PlaceControls();
    for (QWidget* control : HiddenControls()) {
        control->setVisible(false);
    }
    for (QLabel* label : {Label1, Label15, Label2}) {
        tonvell::app::FitCaption(label);
    }
}

void TForm1::MakeBrowser() {
    DriveComboBox1 = new tonvell::app::DriveComboBox(this);
    DirectoryListBox1 = new tonvell::app::DirectoryListBox(this);
    Edit1 = new QLineEdit(QStringLiteral("*.mid"), this);
    Edit1->setEnabled(false);
    FileListBox1 = new tonvell::app::FileListBox(this);
}

void TForm1::MakeInputArea() {
    using tonvell::app::MakeMemo;
    GroupBox2 = new tonvell::app::CaptionedGroupBox(QStringLiteral("Входной файл:"), this);
    Memo4 = MakeMemo(GroupBox2, QStringLiteral("Нет данных"));
    Memo4->setReadOnly(true);
    tonvell::app::MakeFlat(Memo4);
    Memo1 = new tonvell::app::EventLogView(this);
    Memo1->setPlainText(QStringLiteral("Файл не загружен"));
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button2 = new QPushButton(QStringLiteral("Обработать! -->"), this);
}

void TForm1::MakeChannelMap() {
    for (int k = 1; k <= kChannels; ++k) {
        // The two-digit channel's caption has no space.
        ChannelLabels[k - 1] = new QLabel(
            (k >= 10 ? QStringLiteral("Канал%1") : QStringLiteral("Канал %1")).arg(k), this);
    }
    Label13 = new QLabel(QStringLiteral("Oscillators"), this);
    Label13->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label14 = new QLabel(QStringLiteral("Trim"), this);
    Label14->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int k = 1; k <= kChannels; ++k) {
        auto* box = new QComboBox(this);
        box->addItems({QStringLiteral("none"), QStringLiteral("1"), QStringLiteral("2"),
                       QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                       QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")});
        box->setMaxVisibleItems(9);
        box->setProperty("Tag", k - 1);
        box->setCurrentIndex(channelMap_.Oscillator(k - 1) == 0 ? -1
                                                                : channelMap_.Oscillator(k - 1));
        OscillatorBoxes[k - 1] = box;

        auto* check = new QCheckBox(QStringLiteral("CheckBox1"), this);
        check->setProperty("Tag", k - 1);
        check->setChecked(channelMap_.Trim(k - 1));
        TrimBoxes[k - 1] = check;
    }
}

void TForm1::MakeOutputArea() {
    using tonvell::app::MakeMemo;
    GroupBox1 = new tonvell::app::CaptionedGroupBox(QStringLiteral("Выходной файл:"), this);
    Memo3 = MakeMemo(GroupBox1, QStringLiteral("Нет данных\n\n"));
    Memo3->setReadOnly(true);
    tonvell::app::MakeFlat(Memo3);
    Memo2 = MakeMemo<tonvell::app::ListingBox>(this, QString());
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The selection stays highlighted when the box loses focus, so the
    // listing shows as copied after "Копир.всё".
    QPalette palette = Memo2->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    Memo2->setPalette(palette);
    Button1 = new QPushButton(QStringLiteral("Копир.всё"), this);
    Button3 = new QPushButton(QStringLiteral("Сохранить..."), this);
}

void TForm1::MakePlayer() {
    GroupBox3 = new tonvell::app::CaptionedGroupBox(QStringLiteral("Проигрыватель"), this);
    Label1 = new QLabel(QStringLiteral("Выбор устройства для проигрывания"), GroupBox3);
    Label1->setEnabled(false);
    ComboBox11 = new QComboBox(GroupBox3);
    ComboBox11->setEditable(true);
    ComboBox11->setInsertPolicy(QComboBox::NoInsert);
    // In the user's language: the port and the settings tell "none" by its
    // place, item 0, never by its text.
    ComboBox11->addItem(tr("none"));
    ComboBox11->setCurrentIndex(0);
    Label15 = new QLabel(QStringLiteral("Инструмент:"), GroupBox3);
    Label15->setEnabled(false);
    ComboBox12 = new QComboBox(GroupBox3);
    ComboBox12->setEditable(true);
    ComboBox12->setInsertPolicy(QComboBox::NoInsert);
    ComboBox12->addItems({QStringLiteral("00 Piano"), QStringLiteral("10 Music Box"),
                          QStringLiteral("16 Organ"), QStringLiteral("21 Accordion"),
                          QStringLiteral("73 Flute"), QStringLiteral("80 Square Lead"), QString()});
    ComboBox12->setCurrentIndex(ComboBox12->findText(QStringLiteral("73 Flute")));
    // A file dragged over the two lists opens like one dropped anywhere else
    // on the window, instead of landing in them as text.
    for (QComboBox* list : {ComboBox11, ComboBox12}) {
        list->lineEdit()->setAcceptDrops(false);
    }
    Button6 = new QPushButton(QStringLiteral("| <--"), GroupBox3);
    Button4 = new QPushButton(QStringLiteral("Play"), GroupBox3);
    Button5 = new QPushButton(QStringLiteral("Stop"), GroupBox3);
    Button5->setEnabled(false);
    Label2 = new QLabel(QStringLiteral("Line:"), GroupBox3);
    Label2->setEnabled(false);
    Timer1 = new QTimer(this);
    Timer1->setInterval(10);
}

void TForm1::MakeHelp() {
    Memo5 = tonvell::app::MakeMemo(this, tonvell::app::HelpLines().join(QLatin1Char('\n')));
    Button7 = new QPushButton(QStringLiteral("?"), this);
    Button8 = new QPushButton(QStringLiteral("Button8"), this);
    ChoicesButton = new QPushButton(tr("Channels and notes..."), this);
    ChoicesButton->setObjectName(QStringLiteral("ChoicesButton"));
    noteChoices_ = tonvell::app::NewArrangerChoicesWindow(this);
}

// Rectangles in pixels at the design size, in the window or in the group
// that holds the control.
void TForm1::PlaceControls() {
    std::vector<tonvell::app::Placement> table = {
        {DriveComboBox1, {16, 16, 149, 19}, kStays},
        {DirectoryListBox1, {16, 48, 149, 297}, Tall(kStays)},
        {Edit1, {168, 16, 209, 21}, kFileColumn},
        {FileListBox1, {168, 48, 209, 297}, Tall(kFileColumn)},

        {GroupBox2, {387, 4, 153, 59}, kInputColumn},
        {Memo4, {8, 16, 140, 41}, kStays},
        {Memo1, {388, 72, 153, 249}, Tall({.left = kFileListEnd, .right = kEventLogEnd})},
        {Button2, {552, 12, 89, 49}, kAtListing},

        {Label13, {570, 72, 48, 13}, kAtListing},
        {Label14, {630, 72, 20, 13}, kAtListing},

        {GroupBox1, {656, 4, 165, 59}, kAtListing},
        {Memo3, {8, 16, 153, 41}, kStays},
        {Memo2, {656, 72, 153, 249}, Tall({.left = kEventLogEnd, .right = 1})},
        {Button1, {656, 328, 73, 17}, AtBottom(kAtListing)},
        {Button3, {735, 328, 73, 17}, AtBottom(kAtListing)},

        {GroupBox3, {824, 96, 209, 129}, kRightSide},
        {Label1, {8, 16, 193, 13}, kStays},
        {ComboBox11, {8, 32, 193, 21}, kStays},
        {Label15, {8, 54, 64, 13}, kStays},
        {ComboBox12, {8, 68, 193, 21}, kStays},
        {Button6, {8, 92, 25, 17}, kStays},
        {Button4, {48, 92, 73, 17}, kStays},
        {Button5, {128, 92, 73, 17}, kStays},
        {Label2, {8, 112, 81, 13}, kStays},

        {Memo5, {916, 8, 45, 37}, kRightSide},
        {Button7, {972, 4, 61, 41}, kRightSide},
        {Button8, {952, 264, 57, 49}, kRightSide},
        {ChoicesButton, {824, 278, 209, 23}, kRightSide},
    };
    // The channel map's rows, 24 pixels apart; "Канал10" is wider.
    for (int k = 1; k <= kChannels; ++k) {
        const int row = 24 * (k - 1);
        table.push_back({ChannelLabels[k - 1], {536, 90 + row, k >= 10 ? 43 : 40, 13}, kAtListing});
        table.push_back({OscillatorBoxes[k - 1], {584, 88 + row, 41, 21}, kAtListing});
        table.push_back({TrimBoxes[k - 1], {632, 90 + row, 17, 17}, kAtListing});
    }
    layout_->SetTable(std::move(table));
}

void TForm1::CreatePlayback(tonvell::playback::SoundBackends backends) {
    using namespace tonvell::playback;
    clock_ = std::make_unique<SteadyClock>();
    playerView_ =
        std::make_unique<tonvell::app::PlayerWindowView>(tonvell::app::PlayerControlsOfWindow{
            Memo2, Label2, Button4, Button5, ComboBox11, ComboBox12,
            [this](const QString& text) { ShowMessage(text); }});
    soundPort_ = std::make_unique<tonvell::playback::SoundPort>(*playerView_, std::move(backends));
    // The player's "----" box, asked for on its thread, shown on this one.
    auto showMessage = [this](const std::string& text, std::function<void()> closed) {
        QMetaObject::invokeMethod(
            this,
            [this, text = QString::fromStdString(text), closed = std::move(closed)] {
                ShowMessage(text);
                closed();
            },
            Qt::QueuedConnection);
    };
    player_ =
        std::make_unique<PlayerThread>(*playerView_, *soundPort_, *clock_, std::move(showMessage));
    playedLine_ = std::make_unique<tonvell::app::PlayedLineHighlight>(*Memo2);
    transport_ = new tonvell::app::TransportView(this);
    layout_->Add({{transport_, {824, 230, 209, 42}, kRightSide}});  // below the player group
    timelineTimer_ = new QTimer(this);
    timelineTimer_->setSingleShot(true);
    timelineTimer_->setInterval(kListingMeasureDelayMs);
    Wire(timelineTimer_, &QTimer::timeout, [this] {
        MeasureListing();
        UpdateTransport(player_->Position());
    });
}

// Object names equal the member names, and the numbered names of the channel
// map's controls, for tests and accessibility tools.
void TForm1::NameControls() {
    const std::pair<QObject*, const char*> names[] = {
        {DriveComboBox1, "DriveComboBox1"},
        {DirectoryListBox1, "DirectoryListBox1"},
        {Edit1, "Edit1"},
        {FileListBox1, "FileListBox1"},
        {GroupBox1, "GroupBox1"},
        {GroupBox2, "GroupBox2"},
        {GroupBox3, "GroupBox3"},
        {Memo1, "Memo1"},
        {Memo2, "Memo2"},
        {Memo3, "Memo3"},
        {Memo4, "Memo4"},
        {Memo5, "Memo5"},
        {Button1, "Button1"},
        {Button2, "Button2"},
        {Button3, "Button3"},
        {Button4, "Button4"},
        {Button5, "Button5"},
        {Button6, "Button6"},
        {Button7, "Button7"},
        {Button8, "Button8"},
        {Label1, "Label1"},
        {Label2, "Label2"},
        {Label13, "Label13"},
        {Label14, "Label14"},
        {Label15, "Label15"},
        {ComboBox11, "ComboBox11"},
        {ComboBox12, "ComboBox12"},
        {Timer1, "Timer1"},
    };
    for (const auto& [control, name] : names) {
        control->setObjectName(QLatin1String(name));
    }
    for (int k = 1; k <= kChannels; ++k) {
        ChannelLabels[k - 1]->setObjectName(QStringLiteral("Label%1").arg(k + 2));
        OscillatorBoxes[k - 1]->setObjectName(QStringLiteral("ComboBox%1").arg(k));
        TrimBoxes[k - 1]->setObjectName(QStringLiteral("CheckBox%1").arg(k));
    }
    setObjectName(QStringLiteral("Form1"));
}

QList<QWidget*> TForm1::HiddenControls() const {
    QList<QWidget*> hidden(ChannelLabels.begin(), ChannelLabels.end());
    hidden << Label13 << Label14;
    hidden.append(QList<QWidget*>(OscillatorBoxes.begin(), OscillatorBoxes.end()));
    hidden.append(QList<QWidget*>(TrimBoxes.begin(), TrimBoxes.end()));
    hidden << Memo5 << Button8;
    return hidden;
}

template <class Sender, class Signal>
void TForm1::Wire(Sender* sender, Signal signal, std::function<void()> handler) {
    connect(sender, signal, this, [this, handler = std::move(handler)] { RunHandler(handler); });
}

void TForm1::WireHandlers() {
    using tonvell::app::DirectoryListBox;
    using tonvell::app::DriveComboBox;
    using tonvell::app::FileListBox;

    // The browser's links: drive to folder list, folder list to file list,
    // file list to the echo edit.
    connect(DriveComboBox1, &DriveComboBox::DriveChosen, this, [this](const QString& root) {
        RunHandler([this, root] { DirectoryListBox1->SetDirectory(root); });
    });
    connect(DirectoryListBox1, &DirectoryListBox::DirectoryChanged, this,
            [this](const QString& folder) {
                DriveComboBox1->ShowDriveOf(folder);
                FileListBox1->SetDirectory(folder);
            });
    connect(FileListBox1, &FileListBox::SelectionChanged, this, &TForm1::EchoFileName);

    Wire(FileListBox1, &FileListBox::FileChosen, [this] { FileListBox1Click(); });
    Wire(Button2, &QPushButton::clicked, [this] { FileListBox1Click(); });
    Wire(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    Wire(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    Wire(Button7, &QPushButton::clicked, [this] { Button7Click(); });
    for (QComboBox* box : OscillatorBoxes) {
        Wire(box, &QComboBox::activated, [this, box] { ComboBox1Change(box); });
    }
    // Only the first trim box has a handler: the other nine never reach the
    // channel map.
    QCheckBox* const trim1 = TrimBoxes[0];
    Wire(trim1, &QCheckBox::clicked, [this, trim1] { CheckBox1Click(trim1); });
    Wire(ComboBox11, &QComboBox::currentTextChanged, [this] { ComboBox11Change(); });
    Wire(Button4, &QPushButton::clicked, [this] { Button4Click(); });
    Wire(Button5, &QPushButton::clicked, [this] { Button5Click(); });
    Wire(Button6, &QPushButton::clicked, [this] { Button6Click(); });
    Wire(Button8, &QPushButton::clicked, [this] { Button8Click(); });
    Wire(Timer1, &QTimer::timeout, [this] { Timer1Timer(); });
    Wire(ChoicesButton, &QPushButton::clicked, [this] { ShowNoteChoices(); });
    Wire(noteChoices_, &tonvell::app::ArrangerChoices::ChoicesChanged,
         [this] { NoteChoicesChanged(); });
    Memo3->viewport()->installEventFilter(this);
    GroupBox1->installEventFilter(this);
    Memo2->viewport()->installEventFilter(this);
    Memo2->installEventFilter(this);
    connect(Memo2->document(), &QTextDocument::contentsChanged, this,
            [this] { UpdateListingActions(); });
    // In a window smaller than its design, the control that takes the focus
    // (Tab, a key) is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* /*old*/, QWidget* now) { layout_->EnsureVisible(now); });
}

void TForm1::SetTabOrder() {
    QList<QWidget*> order = {Memo1,          DirectoryListBox1, FileListBox1, Edit1,
                             DriveComboBox1, Button2,           Memo2,        Button1};
    for (int i = 0; i < kChannels; ++i) {
        order << OscillatorBoxes[i] << TrimBoxes[i];
    }
    order << QList<QWidget*>{Memo3,   Memo4,      Button3, Button4, Button5, ComboBox11,
                             Button6, ComboBox12, Button7, Button8, Memo5};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

// The usual keys of desktop players and editors. Within the listing box,
// Ctrl+Home keeps its editor meaning (the caret to the top, which also puts
// the player's cursor there while it is idle).
void TForm1::ShowKeysInTooltips() {
    const std::pair<QWidget*, QString> tips[] = {
        {Button2, tr("Convert the chosen file again")},
        {Button1, tr("Copy the whole listing")},
        {Button3, tr("Save the listing (Ctrl+S)")},
        {Button4, tr("Play the listing (F5)")},
        {Button5, tr("Stop (Esc, Shift+F5)")},
        {Button6, tr("Back to the first line (Ctrl+Home)")},
        {Button7, tr("Help (F1)")},
        {Memo2, tr("The listing: F2 shows its arrangement, Ctrl+O opens a saved listing")},
    };
    for (const auto& [control, tip] : tips) {
        control->setToolTip(tip);
    }
}

void TForm1::CreateShortcuts() {
    const auto bind = [this](const QKeySequence& keys, std::function<void()> handler) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, handler = std::move(handler)] { RunHandler(handler); });
    };
    bind(QKeySequence(Qt::Key_F1), [this] { Button7Click(); });
    bind(QKeySequence(Qt::Key_F2), [this] { ShowArrangementWindow(); });
    bind(QKeySequence(Qt::Key_F3), [this] { ShowNoteChoices(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Button3Click(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { ChooseListingFile(); });
    bind(QKeySequence(Qt::Key_F5), [this] { Button4Click(); });
    bind(QKeySequence(Qt::Key_Escape), [this] { Button5Click(); });
    bind(QKeySequence(Qt::SHIFT | Qt::Key_F5), [this] { Button5Click(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { Button6Click(); });
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    tonvell::app::OfferMidiFileDrop(event);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    tonvell::app::OfferMidiFileDrop(event);
}

void TForm1::dropEvent(QDropEvent* event) {
    QString file = tonvell::app::DroppedMidiFile(*event->mimeData());
    if (file.isEmpty()) {
        file = tonvell::app::DroppedListingFile(*event->mimeData());
    }
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // After the drop has returned to the program it came from: the question
    // about an edited listing must not hold the file manager's drag.
    QTimer::singleShot(0, this,
                       [this, file] { RunHandler([this, file] { OpenGivenFile(file); }); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && ArrangementContextMenu(watched, event)) {
        return true;
    }
    if (watched == Memo2->viewport() && event->type() == QEvent::MouseButtonRelease) {
        RunHandler([this] { Memo2Click(); });
    } else if (watched == Memo2 && event->type() == QEvent::KeyRelease) {
        RunHandler([this] { Memo2KeyUp(); });
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout_->Arrange();
}

// ---------------------------------------------------------------------------
// Start-up and closing: the settings of Cfg.ini applied to the controls once
// they are built, and collected from them at close.

void TForm1::StartUp() {
    // A start folder that no longer exists (a terminal left in a removed
    // folder) has no path, and then no settings file: the defaults apply and
    // nothing is written.
    StartFolder = QDir::currentPath().isEmpty() ? QString() : DirectoryListBox1->Directory();
    TryDriveG();
    const tonvell::app::StartupSettings settings =
        tonvell::app::ReadStartupSettings(tonvell::app::SettingsPath(StartFolder));
    keptSize_ = settings.WindowSize;
    PlaceWindow(keptSize_);
    openedSize_ = size();
    const QString folder = tonvell::app::ExistingFolder(settings.DataDirectory);
    DirectoryListBox1->SetDirectory(folder.isEmpty() ? StartFolder : folder);
    SaveDialog1.FilterIndex = settings.ExtIndex;
    soundPort_->FillOutputList();
    tonvell::app::ChooseExactly(ComboBox11, settings.SoundDeviceName);
    soundPort_->UpdateInstrumentEnabled();
    tonvell::app::ShowText(ComboBox12, settings.SoundDeviceTembre);
    noteChoices_->SetChoices(
        tonvell::app::ReadNoteChoices(tonvell::app::SettingsPath(StartFolder)));
    // Once the window is on screen.
    QTimer::singleShot(0, this, [this] { RunHandler([this] { AnnounceRecoveredListings(); }); });
}

void TForm1::PlaceWindow(QSize kept) {
    const QRect area = screen()->availableGeometry();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QSize size = tonvell::app::OpeningSize(
        kept.isValid() ? kept : QSize(kClientWidth, kClientHeight), minimumSize(), area, titleBar,
        style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    // Centred (the client area is what is centred), or at the top left of a
    // screen too small for it, its title bar in reach.
    setGeometry(tonvell::app::PlaceOnScreen(size, area, titleBar));
}

// A window the user never made another size keeps what Cfg.ini held: a size
// cut to a smaller screen this time is not kept for a larger one.
QSize TForm1::SizeToKeep() const {
    const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
    return size == openedSize_ ? keptSize_ : size;
}

void TForm1::TryDriveG() {
    if (DriveComboBox1->findText(kDriveG, Qt::MatchFixedString) < 0) {
        return;
    }
    // Switching to a drive letter makes that drive's own current folder the
    // process's current folder.
    if (QDir::setCurrent(QStringLiteral("G:"))) {
        DirectoryListBox1->SetDirectory(QDir::currentPath());
    }
}

tonvell::app::StartupSettings TForm1::CollectSettings() const {
    tonvell::app::StartupSettings settings;
    settings.ExeDirectory = StartFolder;
    settings.DataDirectory = DirectoryListBox1->Directory();
    settings.ExtIndex = SaveDialog1.FilterIndex;
    settings.SoundDevice = tonvell::app::SelectedIndex(ComboBox11);
    settings.SoundDeviceName = ComboBox11->currentText();
    settings.SoundDeviceTembre = ComboBox12->currentText();
    settings.WindowSize = SizeToKeep();
    return settings;
}

// Playback is stopped first, so that nothing is left sounding on an outside
// instrument once the program has ended; a file that cannot be written is
// not reported, and the next start uses the old values.
void TForm1::FormClose() {
    if (player_->Playing()) {
        Button5Click();
    }
    tonvell::app::WriteStartupSettings(tonvell::app::SettingsPath(StartFolder), CollectSettings());
    tonvell::app::WriteNoteChoices(tonvell::app::SettingsPath(StartFolder),
                                   noteChoices_->Choices());
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    RunHandler([this, &mayClose] { mayClose = MayClose(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    RunHandler([this] { FormClose(); });
    if (tonvell::app::ClosingBySignal()) {
        RunHandler([this] { KeepEditedListing(); });
    }
    event->accept();
}

bool TForm1::MayClose() {
    if (tonvell::app::ClosingBySignal()) {
        return true;
    }
    return tonvell::app::MayReplaceListing(
        *Memo2, *messages_, ApplicationTitle(), [this] { return SaveListingBox(listingSource_); },
        tonvell::app::ListingEditedOnCloseQuestion());
}

// Written beside the settings file, or in the home folder when that folder
// takes no new file; the next start names the file.
void TForm1::KeepEditedListing() {
    if (!tonvell::app::ListingEdited(*Memo2)) {
        return;
    }
    const QString text = Memo2->toPlainText();
    QString kept = tonvell::app::WriteRecoveredListing(StartFolder, listingSource_, text);
    if (kept.isEmpty()) {
        kept = tonvell::app::WriteRecoveredListing(QDir::homePath(), listingSource_, text);
    }
    if (kept.isEmpty()) {
        qWarning("%s", qUtf8Printable(tr("The edited listing could not be kept: no file could "
                                         "be created")));
        return;
    }
    qWarning("%s", qUtf8Printable(tr("The edited listing was kept in %1").arg(kept)));
}

void TForm1::AnnounceRecoveredListings() {
    QStringList files = tonvell::app::TakeRecoveryNotices(StartFolder);
    if (QDir(StartFolder) != QDir::home()) {
        files += tonvell::app::TakeRecoveryNotices(QDir::homePath());
    }
    if (!files.isEmpty()) {
        ShowMessage(tonvell::app::RecoveryNoticeText(files));
    }
}

void TForm1::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError(tr("Unknown error"));
    }
}

void TForm1::ReportError(const QString& text) {
    messages_->Error(ApplicationTitle(), text);
}

void TForm1::ShowMessage(const QString& text) {
    messages_->Message(ApplicationTitle(), text);
}

void TForm1::SetMessageBoxes(std::unique_ptr<tonvell::app::MessageBoxes> boxes) {
    messages_ = std::move(boxes);
}

void TForm1::SetSaveDialogRunner(std::unique_ptr<tonvell::app::SaveDialogRunner> runner) {
    saveDialog_ = std::move(runner);
}

bool TForm1::OpenGivenFile(const QString& path) {
    if (!tonvell::app::MayReplaceListing(*Memo2, *messages_, ApplicationTitle(),
                                         [this] { return SaveListingBox(listingSource_); })) {
        return false;
    }
    // Answered: the file list's choice below does not ask again.
    tonvell::app::MarkListingUnedited(*Memo2);
    if (tonvell::app::IsListingFileName(path)) {
        ShowListingFile(path);
        return true;
    }
    if (!OpenFile(path)) {
        ConvertFile(QFileInfo(path).absoluteFilePath());
    }
    return true;
}

bool TForm1::OpenFile(const QString& path) {
    const QFileInfo file(path);
    DirectoryListBox1->SetDirectory(file.absolutePath());
    return FileListBox1->SelectFile(file.fileName());
}

void TForm1::EchoFileName() {
    const QString chosen = FileListBox1->FileName();
    Edit1->setText(chosen.isEmpty() ? FileListBox1->Mask() : QFileInfo(chosen).fileName());
    // A long name is cut by the box: the whole of it shows as a tooltip.
    Edit1->setToolTip(tonvell::app::PlainTooltip(QFileInfo(chosen).fileName()));
}

bool TForm1::OpenListingFile(const QString& path) {
    if (!tonvell::app::MayReplaceListing(
            *Memo2, *messages_, ApplicationTitle(),
            [this] { return SaveListingBox(listingSource_); },
            tonvell::app::ListingEditedOnOpenQuestion())) {
        return false;
    }
    ShowListingFile(path);
    return true;
}

void TForm1::ChooseListingFile() {
    const QString path =
        openDialog_ ? openDialog_()
                    : QFileDialog::getOpenFileName(this, tr("Open a listing"),
                                                   DirectoryListBox1->Directory(),
                                                   tr("Listings (*.inc *.txt);;All files (*)"));
    if (!path.isEmpty()) {
        OpenListingFile(path);
    }
}

// A listing read back stands in the listing box as a converted one does: it
// plays and saves, and closing asks only once it is edited. There is no MIDI
// file behind it, so no event log, statistics or picture.
void TForm1::ShowListingFile(const QString& path) {
    const tonvell::app::ListingFile listing = tonvell::app::ReadListingFile(path);
    if (!listing.error.isEmpty()) {
        ReportError(listing.error);
        return;
    }
    Rewind();
    Memo4->setPlainText(FromUtf8(tonvell::TotalBytesText(QFileInfo(path).size())) +
                        QLatin1Char('\n') + tr("Listing file"));
    tonvell::app::FitWidestLine(Memo4);
    Memo1->SetLines({tr("A listing read from a file:").toStdString(),
                     QDir::toNativeSeparators(path).toStdString()});
    Memo2->Fill(listing.text);
    Memo3->setPlainText(QStringLiteral("Нет данных\n\n"));
    tonvell::app::MarkListingUnedited(*Memo2);
    convertedRevision_ = Memo2->document()->revision();
    listingSource_ = path;
    listingFromFile_ = true;
    arrangementCurrent_ = arrangementWindow_ != nullptr;
    if (arrangementWindow_ != nullptr) {
        arrangementWindow_->ShowArrangement(EmptyArrangement(path));
        UpdateArrangementWindow();
    }
    ShowPlayback();
}

// ---------------------------------------------------------------------------
// Conversion

void TForm1::FileListBox1Click() {
    // "Обработать! -->" on the file the listing came from converts it again.
    const bool sameFile = !listingFromFile_ && !listingSource_.isEmpty() &&
                          FileListBox1->FileName() == listingSource_;
    if (!tonvell::app::MayReplaceListing(
            *Memo2, *messages_, ApplicationTitle(),
            [this] { return SaveListingBox(listingSource_); },
            sameFile ? tonvell::app::ListingEditedOnReconvertQuestion()
                     : tonvell::app::ListingEditedQuestion())) {
        // The listing stays; a choice in the file list is taken back to the
        // file the listing came from.
        if (!FileListBox1->FileName().isEmpty()) {
            FileListBox1->ChooseQuietly(listingSource_);
        }
        return;
    }
    ConvertFile(FileListBox1->FileName());
}

void TForm1::ConvertFile(const QString& path) {
    // Playback stops and the cursor returns to line 1 before the listing box
    // is cleared, so the next Play starts at the top of the new listing.
    Rewind();
    // The arrangement is built only once its picture has been asked for.
    tonvell::Arrangement arrangement;
    tonvell::ChannelSummary channels;
    tonvell::ConvertOptions options{.channels = &channels, .choices = noteChoices_->Choices()};
    if (arrangementWindow_ != nullptr) {
        options.arrangement = &arrangement;
    }
    const tonvell::ConversionResult result =
        tonvell::Convert(QFile::encodeName(path).toStdString(), options);
    noteChoices_->ShowChannels(channels, FromUtf8(result.passedOverLine));
    convertedChoices_ = options.choices;
    const std::optional<tonvell::app::InputRefusal> refusal = tonvell::app::RefusalOf(result);
    if (refusal) {
        ShowRefusal(result, *refusal);
        // The picture shows nothing of the file either.
        arrangement = EmptyArrangement(path);
    } else {
        ShowConversion(result);
    }
    listingSource_ = path;
    listingFromFile_ = false;
    arrangementCurrent_ = arrangementWindow_ != nullptr;
    if (arrangementWindow_ != nullptr) {
        arrangementWindow_->ShowConversion(result, std::move(arrangement),
                                           QFileInfo(path).fileName());
        UpdateArrangementWindow();
    }
}

void TForm1::ShowRefusal(const tonvell::ConversionResult& result,
                         const tonvell::app::InputRefusal& refusal) {
    Memo4->setPlainText(FromUtf8(result.sizeLine) + QLatin1Char('\n') + refusal.reportLine);
    tonvell::app::FitWidestLine(Memo4);
    std::vector<std::string> log = {"Файл не загружен"};
    for (const QString& line : refusal.reason.split(QLatin1Char('\n'))) {
        log.push_back(line.toStdString());
    }
    Memo1->SetLines(log);
    Memo2->Fill(QString());
    Memo3->setPlainText(QStringLiteral("\n\n"));
    tonvell::app::MarkListingUnedited(*Memo2);
    convertedRevision_ = Memo2->document()->revision();
    if (refusal.boxed) {
        messages_->Message(ApplicationTitle(), refusal.reason);
    }
}

void TForm1::ShowNoteChoices() {
    QWidget* window = noteChoices_->window();
    window->show();
    window->raise();
    window->activateWindow();
}

void TForm1::NoteChoicesChanged() {
    if (listingSource_.isEmpty() || listingFromFile_) {
        return;  // taken by the next conversion of a MIDI file
    }
    if (!tonvell::app::MayReplaceListing(*Memo2, *messages_, ApplicationTitle(),
                                         [this] { return SaveListingBox(listingSource_); })) {
        noteChoices_->SetChoices(convertedChoices_);
        return;
    }
    ConvertFile(listingSource_);
}

void TForm1::ShowArrangementWindow() {
    if (arrangementWindow_ == nullptr) {
        arrangementWindow_ = new tonvell::app::ArrangementWindow(this);
        ConnectArrangementWindow();
    }
    if (!arrangementCurrent_) {
        // The listing was converted before the picture was first asked for:
        // the file is converted again, for its arrangement alone.
        tonvell::Arrangement arrangement = EmptyArrangement(listingSource_);
        if (listingSource_.isEmpty() || listingFromFile_) {
            arrangementWindow_->ShowArrangement(std::move(arrangement));
        } else {
            const tonvell::ConversionResult result =
                tonvell::Convert(QFile::encodeName(listingSource_).toStdString(),
                                 {.eventLog = tonvell::TextDelivery::Skip(),
                                  .listing = tonvell::TextDelivery::Skip(),
                                  .arrangement = &arrangement,
                                  .choices = convertedChoices_});
            if (tonvell::app::RefusalOf(result)) {
                arrangement = EmptyArrangement(listingSource_);
            }
            arrangementWindow_->ShowConversion(result, std::move(arrangement),
                                               QFileInfo(listingSource_).fileName());
        }
        arrangementCurrent_ = true;
    }
    UpdateArrangementWindow();
    arrangementWindow_->show();
    arrangementWindow_->raise();
    arrangementWindow_->activateWindow();
}

// The picture's window follows the listing box, passes on the player's keys
// and puts the player where the picture was clicked.
void TForm1::ConnectArrangementWindow() {
    using tonvell::app::ArrangementWindow;
    connect(Memo2->document(), &QTextDocument::contentsChanged, arrangementWindow_,
            [this] { UpdateArrangementWindow(); });
    connect(arrangementWindow_, &ArrangementWindow::PlayRequested, this,
            [this] { RunHandler([this] { Button4Click(); }); });
    connect(arrangementWindow_, &ArrangementWindow::StopRequested, this,
            [this] { RunHandler([this] { Button5Click(); }); });
    connect(arrangementWindow_, &ArrangementWindow::RewindRequested, this,
            [this] { RunHandler([this] { Button6Click(); }); });
    connect(arrangementWindow_, &ArrangementWindow::LineChosen, this, [this](int line) {
        RunHandler([this, line] {
            if (player_->Playing()) {
                return;
            }
            QTextCursor caret = Memo2->textCursor();
            caret.setPosition(playerView_->LineSpan(line).start);
            Memo2->setTextCursor(caret);
            Memo2Click();
        });
    });
}

void TForm1::UpdateArrangementWindow() {
    if (arrangementWindow_ == nullptr) {
        return;
    }
    UpdateArrangementWindow(player_->Position());
}

void TForm1::UpdateArrangementWindow(const tonvell::playback::PlaybackPosition& position) {
    if (arrangementWindow_ == nullptr) {
        return;
    }
    arrangementWindow_->SetListingEdited(Memo2->document()->revision() != convertedRevision_);
    arrangementWindow_->FollowPlayer(position.lineIndex, position.playing);
}

// The listing box and the statistics offer the picture in their context menus.
bool TForm1::ArrangementContextMenu(QObject* watched, QEvent* event) {
    const bool listing = watched == Memo2->viewport();
    const bool statistics = watched == Memo3->viewport() || watched == GroupBox1;
    if (!listing && !statistics) {
        return false;
    }
    auto* request = static_cast<QContextMenuEvent*>(event);
    std::unique_ptr<QMenu> menu(
        listing ? Memo2->createStandardContextMenu(Memo2->viewport()->mapTo(Memo2, request->pos()))
        : watched == GroupBox1 ? new QMenu
                               : Memo3->createStandardContextMenu(request->pos()));
    menu->addSeparator();
    QAction* show = menu->addAction(tr("Show the arrangement"));
    show->setShortcut(QKeySequence(Qt::Key_F2));
    QAction* open = nullptr;
    if (listing) {
        open = menu->addAction(tr("Open a listing…"));
        open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    }
    QAction* chosen = menu->exec(request->globalPos());
    if (chosen == show) {
        RunHandler([this] { ShowArrangementWindow(); });
    } else if (chosen != nullptr && chosen == open) {
        RunHandler([this] { ChooseListingFile(); });
    }
    return true;
}

void TForm1::ShowConversion(const tonvell::ConversionResult& result) {
    // Line 1 of the input report is empty when the conversion read no event:
    // what it showed belongs to the previous file.
    Memo4->setPlainText(FromUtf8(result.sizeLine) + QLatin1Char('\n') +
                        FromUtf8(result.progressLine.value_or(std::string())));
    Memo1->SetLines(result.eventLog);
    Memo2->Fill(FromUtf8(tonvell::JoinLines(result.listing)));
    std::vector<std::string> statistics(result.statistics.begin(), result.statistics.end());
    if (!result.passedOverLine.empty()) {
        statistics.push_back(result.passedOverLine);
    }
    Memo3->setPlainText(JoinLines(statistics));
    tonvell::app::FitWidestLine(Memo4);
    tonvell::app::FitWidestLine(Memo3);
    tonvell::app::MarkListingUnedited(*Memo2);
    convertedRevision_ = Memo2->document()->revision();
    ShowPlayback();
    // Each warning once, however often it occurred: a damaged file can hold
    // thousands of the same fault.
    for (const tonvell::WarningCount& met : result.warnings) {
        const std::string_view text = tonvell::WarningText(met.warning);
        messages_->Message(ApplicationTitle(),
                           QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

void TForm1::Rewind() {
    player_->Rewind();
    ShowPlayback();
}

// ---------------------------------------------------------------------------
// Copy all and help

void TForm1::Button1Click() {
    Memo2->selectAll();
    QGuiApplication::clipboard()->setText(Memo2->toPlainText());
    tonvell::app::MarkListingUnedited(*Memo2);
}

void TForm1::Button7Click() {
    QString text;
    for (QTextBlock block = Memo5->document()->begin(); block.isValid(); block = block.next()) {
        text += block.text() + QLatin1Char('\n');
    }
    messages_->Message(ApplicationTitle(), text);
}

// ---------------------------------------------------------------------------
// Saving

void TForm1::Button3Click() {
    if (!HasListing()) {
        return;
    }
    // A listing read from a file proposes that file's folder and name.
    SaveListingBox(listingFromFile_ ? listingSource_ : FileListBox1->FileName());
}

bool TForm1::SaveListingBox(const QString& input) {
    SaveDialog1.InitialDir = tonvell::app::InitialSaveFolder(input);
    SaveDialog1.FileName = tonvell::app::ProposedSaveName(input);
    if (!saveDialog_->Execute(SaveDialog1, this)) {
        return false;
    }
    const tonvell::SaveResult saved = tonvell::SaveListing(
        Memo2->toPlainText().toStdString(),
        tonvell::app::FileTypeOfFilter(SaveDialog1.FilterIndex, SaveDialog1.FileName),
        QFile::encodeName(SaveDialog1.FileName).toStdString(), *saveFiles_);
    if (!saved.ok()) {
        ReportError(QFile::decodeName(QByteArray::fromStdString(saved.message)));
        return false;
    }
    tonvell::app::MarkListingUnedited(*Memo2);
    return true;
}

// ---------------------------------------------------------------------------
// Channel map

void TForm1::ComboBox1Change(QComboBox* Sender) {
    const int channel = Sender->property("Tag").toInt();
    const int index = Sender->currentIndex();
    channelMap_.SetOscillator(channel, std::max(index, 0));
    if (index == 0) {
        // "none" shows as an empty box while the table holds 0.
        const QSignalBlocker quiet(Sender);
        Sender->setCurrentIndex(-1);
    }
}

void TForm1::CheckBox1Click(QCheckBox* Sender) {
    channelMap_.SetTrim(Sender->property("Tag").toInt(), Sender->isChecked());
}

// ---------------------------------------------------------------------------
// Player

void TForm1::ComboBox11Change() {
    soundPort_->UpdateInstrumentEnabled();
}

// Play (also F5 while playing) follows the sounding line again.
void TForm1::Button4Click() {
    if (!HasListing()) {
        return;
    }
    player_->Play();
    playedLine_->Follow();
    ShowPlayback(true);
    if (player_->Playing()) {
        Timer1->start(tonvell::app::FrameIntervalMs(*this));
    }
}
void TForm1::Button5Click() {
    player_->Stop();
    ShowPlayback(true);
}
// Back to line 1, and the listing scrolled to its top, where the player
// starts again.
void TForm1::Button6Click() {
    player_->Rewind();
    Memo2->verticalScrollBar()->setValue(0);
    Memo2->horizontalScrollBar()->setValue(0);
    ShowPlayback(true);
}
void TForm1::Timer1Timer() {
    ShowPlayback();
}

void TForm1::ShowPlayback(bool measureListingNow) {
    // Edits made while playing reach the player here at the latest.
    playerView_->Refresh();
    const tonvell::playback::PlaybackPosition position = player_->Position();
    // A new or edited listing has another length even where the player
    // stands still. Measuring a long listing takes tens of milliseconds, so
    // while the user types it waits for a pause.
    bool listingChanged = Memo2->document()->revision() != timelineRevision_;
    if (listingChanged && measureListingNow) {
        MeasureListing();
    } else if (listingChanged) {
        if (!timelineTimer_->isActive()) {
            timelineTimer_->start();
        }
        listingChanged = false;
    }
    if (position.changes != shownChanges_ || listingChanged) {
        shownChanges_ = position.changes;
        if (position.label != shownLabel_) {
            shownLabel_ = position.label;
            playerView_->SetLineLabel(position.label);
        }
        if (!(position.controls == shownControls_)) {
            shownControls_ = position.controls;
            playerView_->SetControls(position.controls);
        }
        UpdatePlayedLine(position);
        UpdateArrangementWindow(position);
        UpdateTransport(position);
    }
    if (!position.playing) {
        Timer1->stop();
    }
}

void TForm1::UpdatePlayedLine(const tonvell::playback::PlaybackPosition& position) {
    if (!position.playing) {
        playedLine_->Clear();
        ShowIdleControls();
        return;
    }
    const int line = position.soundingLine >= 0 ? position.soundingLine : position.lineIndex;
    const tonvell::app::PlayerWindowView::Span span = playerView_->LineSpan(line);
    playedLine_->Show(line, span.start, span.end);
}
// Idle, the instrument list follows the output's rule again, and saving and
// playing wait for a listing.
void TForm1::ShowIdleControls() {
    soundPort_->UpdateInstrumentEnabled();
    UpdateListingActions();
}

void TForm1::UpdateListingActions() {
    const bool listing = HasListing();
    Button3->setEnabled(listing);
    Button4->setEnabled(listing && !player_->Playing());
}

bool TForm1::HasListing() const {
    return !Memo2->document()->isEmpty();
}

void TForm1::MeasureListing() {
    tonvell::playback::MemoryView listing;
    listing.SetListing(tonvell::Utf8ToCp1251(Memo2->toPlainText().toStdString()));
    timeline_ = std::make_unique<tonvell::playback::ListingTimeline>(
        tonvell::playback::MeasureTimeline(listing));
    timelineRevision_ = Memo2->document()->revision();
    timelineTimer_->stop();
}

// The times come from the listing as measured last; the bar only while the
// listing is the converted one.
void TForm1::UpdateTransport(const tonvell::playback::PlaybackPosition& position) {
    if (!timeline_) {
        MeasureListing();
    }
    const int revision = Memo2->document()->revision();
    const bool sounding = position.playing && position.soundingLine >= 0;
    const int line = sounding ? position.soundingLine : position.lineIndex;
    transport_->SetTimes(timeline_->AtLine(line), timeline_->totalSeconds);
    const bool converted =
        arrangementWindow_ != nullptr && arrangementCurrent_ && revision == convertedRevision_;
    // The bar of the command sounding, or of the commands above the cursor.
    const int barLine = sounding ? line + 1 : line;
    transport_->SetBar(converted ? static_cast<int>(arrangementWindow_->Shown().BarAtLine(barLine))
                                 : 0);
    transport_->SetVoices(position.voices);
}

void TForm1::Memo2Click() {
    player_->CursorFromCaret();
    ShowPlayback();
}
void TForm1::Memo2KeyUp() {
    player_->CursorFromCaret();
    ShowPlayback();
}
// The hidden test button; it leaves a running playback alone.
void TForm1::Button8Click() {
    if (!player_->Playing()) {
        soundPort_->TestOutput();
    }
}

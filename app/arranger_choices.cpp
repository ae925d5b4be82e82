// SPDX-License-Identifier: MIT
#include "app/arranger_choices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <string>

#include "app/profile_file.h"

namespace tonvell::app {

namespace {

constexpr std::string_view kSection = "NoteChoices";

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ArrangerChoices::ArrangerChoices(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ArrangerChoices"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Channels the voices play:"), this));
    auto* grid = new QGridLayout;
    BuildChannels(grid);
    layout->addLayout(grid);

    auto* transposeRow = new QHBoxLayout;
    auto* transposeLabel = new QLabel(tr("Transposition, semitones:"), this);
    transpose_ = new QSpinBox(this);
    transpose_->setObjectName(QStringLiteral("TransposeBox"));
    transpose_->setRange(-kMaxTranspose, kMaxTranspose);
    // A typed number applies once it is complete (Enter or leaving the box).
    transpose_->setKeyboardTracking(false);
    transposeLabel->setBuddy(transpose_);
    transposeRow->addWidget(transposeLabel);
    transposeRow->addWidget(transpose_);
    transposeRow->addStretch();
    layout->addLayout(transposeRow);

    auto* keepRow = new QHBoxLayout;
    auto* keepLabel = new QLabel(tr("When all six voices are busy:"), this);
    keep_ = new QComboBox(this);
    keep_->setObjectName(QStringLiteral("KeepBox"));
    // In the order of KeepPolicy.
    keep_->addItems({tr("the new note takes a voice"), tr("the sounding notes stay"),
                     tr("the highest notes stay (melody)"), tr("the lowest notes stay (bass)")});
    keepLabel->setBuddy(keep_);
    keepRow->addWidget(keepLabel);
    keepRow->addWidget(keep_);
    keepRow->addStretch();
    layout->addLayout(keepRow);

    defaults_ = new QPushButton(tr("Defaults"), this);
    defaults_->setObjectName(QStringLiteral("DefaultsButton"));
    defaults_->setToolTip(tr("Channels 1–9, no transposition, the new note takes a voice"));
    passedOver_ = new QLabel(this);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(passedOver_);
    buttonRow->addStretch();
    buttonRow->addWidget(defaults_);
    layout->addLayout(buttonRow);

    connect(transpose_, &QSpinBox::valueChanged, this, &ArrangerChoices::ChoicesChanged);
    connect(keep_, &QComboBox::activated, this, &ArrangerChoices::ChoicesChanged);
    connect(defaults_, &QPushButton::clicked, this, [this] {
        if (Choices() != NoteChoices{}) {
            SetChoices({});
            emit ChoicesChanged();
        }
    });
    SetChoices({});
    ShowChannels({});
}

void ArrangerChoices::BuildChannels(QGridLayout* grid) {
    for (int c = 0; c < kChannelCount; ++c) {
        auto* box = new QCheckBox(tr("Channel %1").arg(c + 1), this);
        box->setObjectName(QStringLiteral("ChannelBox%1").arg(c + 1));
        auto* count = new QLabel(this);
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* names = new QLabel(this);
        names->setMinimumWidth(220);
        // Two columns of eight channels.
        const int row = c % 8;
        const int column = (c / 8) * 3;
        grid->addWidget(box, row, column);
        grid->addWidget(count, row, column + 1);
        grid->addWidget(names, row, column + 2);
        channelBoxes_[static_cast<std::size_t>(c)] = box;
        noteCounts_[static_cast<std::size_t>(c)] = count;
        names_[static_cast<std::size_t>(c)] = names;
        connect(box, &QCheckBox::clicked, this, &ArrangerChoices::ChoicesChanged);
    }
    grid->setColumnMinimumWidth(3, 24);
}

NoteChoices ArrangerChoices::Choices() const {
    NoteChoices choices;
    choices.channels = 0;
    for (int c = 0; c < kChannelCount; ++c) {
        if (channelBoxes_[static_cast<std::size_t>(c)]->isChecked()) {
            choices.channels = static_cast<ChannelSet>(choices.channels | (1U << c));
        }
    }
    choices.transpose = transpose_->value();
    choices.keep = static_cast<KeepPolicy>(std::max(keep_->currentIndex(), 0));
    return choices;
}

void ArrangerChoices::SetChoices(const NoteChoices& choices) {
    for (int c = 0; c < kChannelCount; ++c) {
        channelBoxes_[static_cast<std::size_t>(c)]->setChecked(ChannelChosen(choices.channels, c));
    }
    const QSignalBlocker quiet(transpose_);
    transpose_->setValue(choices.transpose);
    keep_->setCurrentIndex(static_cast<int>(choices.keep));
}

void ArrangerChoices::ShowChannels(const ChannelSummary& summary, const QString& passedOver) {
    passedOver_->setText(passedOver);
    for (std::size_t c = 0; c < summary.size(); ++c) {
        const ChannelContents& channel = summary[c];
        noteCounts_[c]->setText(tr("%1 notes").arg(channel.noteOns));
        QStringList names;
        if (const std::string_view program = GeneralMidiProgramName(channel.program);
            !program.empty()) {
            names << FromUtf8(program);
        }
        if (!channel.track.empty()) {
            names << QStringLiteral("«%1»").arg(FromUtf8(channel.track).simplified());
        }
        names_[c]->setText(names.join(QStringLiteral(", ")));
        names_[c]->setToolTip(names_[c]->text());
        for (QWidget* part :
             {static_cast<QWidget*>(noteCounts_[c]), static_cast<QWidget*>(names_[c])}) {
            part->setEnabled(channel.noteOns > 0);
        }
    }
}

ArrangerChoices* NewArrangerChoicesWindow(QWidget* owner) {
    auto* window = new QDialog(owner, Qt::Tool);
    window->setObjectName(QStringLiteral("ArrangerChoicesWindow"));
    window->setWindowTitle(ArrangerChoices::tr("Channels and notes"));
    auto* panel = new ArrangerChoices(window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
    return panel;
}

NoteChoices ReadNoteChoices(const QString& path) {
    const ProfileFile file =
        ProfileFile::Load(QFile::encodeName(path).toStdString()).value_or(ProfileFile());
    const NoteChoices defaults;
    NoteChoices choices;
    const std::string channels =
        file.ReadString(kSection, "Channels", ChannelListText(defaults.channels));
    // An empty list is a choice of no channel; a list that does not read
    // keeps the default.
    if (channels.empty()) {
        choices.channels = 0;
    } else if (!ParseChannelList(channels, choices.channels).empty()) {
        choices.channels = defaults.channels;
    }
    const std::string transpose = file.ReadString(kSection, "Transpose", "0");
    if (!ParseTranspose(transpose, choices.transpose).empty()) {
        choices.transpose = defaults.transpose;
    }
    if (!KeepPolicyByName(file.ReadString(kSection, "Keep", ""), choices.keep)) {
        choices.keep = defaults.keep;
    }
    return choices;
}

bool WriteNoteChoices(const QString& path, const NoteChoices& choices) {
    const std::string file = QFile::encodeName(path).toStdString();
    std::optional<ProfileFile> profile = ProfileFile::Load(file);
    if (path.isEmpty() || !profile) {
        return false;
    }
    // A value no key holds, to tell a missing key from any value.
    constexpr std::string_view kMissing = "\n";
    if (choices.IsDefault() && profile->ReadString(kSection, "Channels", kMissing) == kMissing) {
        return true;
    }
    profile->WriteString(kSection, "Channels", ChannelListText(choices.channels));
    profile->WriteString(kSection, "Transpose", std::to_string(choices.transpose));
    profile->WriteString(kSection, "Keep", KeepPolicyName(choices.keep));
    return ReplaceFileDurably(file, profile->Bytes());
}

}  // namespace tonvell::app

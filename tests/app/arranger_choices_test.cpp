// SPDX-License-Identifier: MIT
// The choice of channels, transposition and notes kept, as the user makes it
// in its window: what each channel shows, a change converting again at once
// (listing, statistics, picture), the question before an edited listing is
// replaced, the way back to the defaults, and the choices kept in Cfg.ini.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/arrangement_window.h"
#include "app/arranger_choices.h"
#include "app/listing_box.h"
#include "app/tform1.h"
#include "convert/conversion.h"
#include "test_support.h"

using tonvell::test::ReadFile;
using tonvell::test::ShownBox;
using tonvell::test::WriteFile;

namespace {

// Track "Melody": a flute (program 73) playing seven overlapping notes on
// channel 1, and a drum on channel 10.
QByteArray ChoicesSong() {
    QByteArray events = QByteArray::fromHex(
        "00FF03064D656C6F6479"
        "00C049");
    for (int i = 0; i < 7; ++i) {
        events += QByteArray::fromHex("0090") + static_cast<char>(60 + i) + '\x64';
    }
    events += QByteArray::fromHex(
        "00992464"
        "6080423C"
        "0089243C");
    return tonvell::test::Format0(96, events);
}

// A channel's count of notes as the panel shows it, in the language shown.
QString Notes(int count) {
    return tonvell::app::ArrangerChoices::tr("%1 notes").arg(count);
}

QStringList Lines(const QPlainTextEdit* box) {
    return box->toPlainText().split(QLatin1Char('\n'));
}

}  // namespace

class ArrangerChoicesTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void channelsShowTheirNotesAndNames();
    void aChangeConvertsAtOnce();
    void editedListingIsAskedAbout();
    void defaultsButtonGoesBack();
    void choicesAreKeptInCfgIni();

private:
    void Start();
    tonvell::app::ArrangerChoices& Panel() { return form_->NoteChoicesPanel(); }
    QString SettingsFile() const { return start_->filePath(QStringLiteral("Cfg.ini")); }
    // The listing a conversion of the song with these choices gives.
    QString ListingWith(const tonvell::NoteChoices& choices) const {
        const QByteArray song = ChoicesSong();
        const auto result =
            tonvell::ConvertBytes(std::span(reinterpret_cast<const std::uint8_t*>(song.constData()),
                                            static_cast<std::size_t>(song.size())),
                                  "song.mid", {.choices = choices});
        return QString::fromStdString(tonvell::JoinLines(result.listing));
    }

    QString launchFolder_;
    std::unique_ptr<QTemporaryDir> start_;
    std::vector<ShownBox> boxes_;
    std::unique_ptr<TForm1> form_;
};

void ArrangerChoicesTest::init() {
    launchFolder_ = QDir::currentPath();
    start_ = std::make_unique<QTemporaryDir>();
    QVERIFY(start_->isValid());
    WriteFile(start_->filePath(QStringLiteral("song.mid")), ChoicesSong());
    boxes_.clear();
}

void ArrangerChoicesTest::cleanup() {
    form_.reset();
    QDir::setCurrent(launchFolder_);
    start_.reset();
}

void ArrangerChoicesTest::Start() {
    form_.reset();
    QVERIFY(QDir::setCurrent(start_->path()));
    form_ = std::make_unique<TForm1>();
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(form_->OpenFile(start_->filePath(QStringLiteral("song.mid"))));
}

void ArrangerChoicesTest::channelsShowTheirNotesAndNames() {
    Start();
    QVERIFY(form_->ChoicesButton->isVisible());
    form_->ChoicesButton->click();
    QVERIFY(Panel().isVisible());
    QCOMPARE(Panel().ChannelNotes(0)->text(), Notes(7));
    QCOMPARE(Panel().ChannelNames(0)->text(), QStringLiteral("Flute, «Melody»"));
    QCOMPARE(Panel().ChannelNotes(9)->text(), Notes(1));
    QCOMPARE(Panel().ChannelNotes(1)->text(), Notes(0));
    QVERIFY(!Panel().ChannelNotes(1)->isEnabled());
    for (int c = 0; c < tonvell::kChannelCount; ++c) {
        QCOMPARE(Panel().ChannelBox(c)->isChecked(), c < 9);
    }
}

void ArrangerChoicesTest::aChangeConvertsAtOnce() {
    Start();
    form_->ShowArrangementWindow();
    QCOMPARE(form_->Memo2->toPlainText(), ListingWith({}));
    QCOMPARE(Lines(form_->Memo3).last(), QStringLiteral("Пропущенных нот: 1"));
    QCOMPARE(Panel().PassedOver()->text(), QStringLiteral("Пропущенных нот: 1"));

    Panel().ChannelBox(9)->click();
    const tonvell::NoteChoices withDrum{.channels = 0x03FF};
    QCOMPARE(form_->Memo2->toPlainText(), ListingWith(withDrum));
    QCOMPARE(Lines(form_->Memo3).size(), 3);  // none passed over: no further line
    QCOMPARE(Panel().PassedOver()->text(), QString());
    // The picture follows: the drum is drawn on a voice now.
    const tonvell::Arrangement& picture = form_->ArrangementWindow()->Shown();
    QCOMPARE(picture.choices, withDrum);
    QCOMPARE(picture.notes.back().channel, std::uint8_t{9});
    QVERIFY(picture.notes.back().fate != tonvell::NoteFate::IgnoredChannel);

    Panel().TransposeBox()->setValue(-12);
    Panel().KeepBox()->setCurrentIndex(2);
    emit Panel().KeepBox()->activated(2);
    const tonvell::NoteChoices chosen{
        .channels = 0x03FF, .transpose = -12, .keep = tonvell::KeepPolicy::High};
    QCOMPARE(Panel().Choices(), chosen);
    QCOMPARE(form_->Memo2->toPlainText(), ListingWith(chosen));
    QVERIFY(ListingWith(chosen) != ListingWith(withDrum));
    QVERIFY(boxes_.empty());
}

void ArrangerChoicesTest::editedListingIsAskedAbout() {
    Start();
    const QString converted = form_->Memo2->toPlainText();
    form_->Memo2->appendPlainText(QStringLiteral("; edited"));
    Panel().ChannelBox(9)->click();  // the recorded question is cancelled
    QCOMPARE(boxes_.size(), std::size_t{1});
    QVERIFY(boxes_.front().buttons.testFlag(QMessageBox::Cancel));
    QCOMPARE(form_->Memo2->toPlainText(), converted + QStringLiteral("\n; edited"));
    QVERIFY(!Panel().ChannelBox(9)->isChecked());  // the choice goes back with it
    QCOMPARE(Panel().Choices(), tonvell::NoteChoices{});
}

void ArrangerChoicesTest::defaultsButtonGoesBack() {
    Start();
    Panel().ChannelBox(0)->click();
    Panel().TransposeBox()->setValue(5);
    QVERIFY(form_->Memo2->toPlainText() != ListingWith({}));
    Panel().DefaultsButton()->click();
    QCOMPARE(Panel().Choices(), tonvell::NoteChoices{});
    QCOMPARE(form_->Memo2->toPlainText(), ListingWith({}));
}

void ArrangerChoicesTest::choicesAreKeptInCfgIni() {
    // Untouched choices write no section.
    Start();
    QVERIFY(form_->close());
    QVERIFY(QFile::exists(SettingsFile()));
    QVERIFY(!ReadFile(SettingsFile()).contains("NoteChoices"));

    Start();
    Panel().ChannelBox(9)->click();
    Panel().ChannelBox(1)->click();
    Panel().TransposeBox()->setValue(12);
    Panel().KeepBox()->setCurrentIndex(3);
    emit Panel().KeepBox()->activated(3);
    QVERIFY(form_->close());
    const QByteArray written = ReadFile(SettingsFile());
    // The Startup keys come first, as they always did.
    QVERIFY(written.startsWith("[Startup]"));
    QVERIFY2(written.contains("[NoteChoices]\nChannels=1,3-10\nTranspose=12\nKeep=low\n"),
             written.constData());

    Start();
    const tonvell::NoteChoices kept{
        .channels = 0x03FD, .transpose = 12, .keep = tonvell::KeepPolicy::Low};
    QCOMPARE(Panel().Choices(), kept);
    QCOMPARE(form_->Memo2->toPlainText(), ListingWith(kept));

    // Back to the defaults: written as such once the section is there.
    Panel().DefaultsButton()->click();
    QVERIFY(form_->close());
    QVERIFY(
        ReadFile(SettingsFile()).contains("[NoteChoices]\nChannels=1-9\nTranspose=0\nKeep=new\n"));
}

QTEST_MAIN(ArrangerChoicesTest)
#include "arranger_choices_test.moc"

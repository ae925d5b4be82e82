// SPDX-License-Identifier: MIT
#include "app/player_window_view.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QThread>
#include <algorithm>

#include "convert/cp1251.h"

namespace tonvell::app {

namespace {

std::string ToCp1251(const QString& text) {
    return Utf8ToCp1251(text.toStdString());
}

}  // namespace

PlayerWindowView::PlayerWindowView(PlayerControlsOfWindow controls) : c_(std::move(controls)) {
    QObject::connect(c_.listing->document(), &QTextDocument::contentsChanged, &changes_,
                     [this] { stale_ = true; });
    Refresh();
}

void PlayerWindowView::Refresh() const {
    if (!stale_) {
        return;
    }
    auto listing = std::make_shared<ListingText>();
    listing->text = c_.listing->toPlainText();
    listing->lineStarts.assign(1, 0);
    for (qsizetype at = 0; (at = listing->text.indexOf(u'\n', at)) >= 0;) {
        listing->lineStarts.push_back(++at);
    }
    stale_ = false;
    const std::lock_guard lock(mutex_);
    listing_ = std::move(listing);
}

PlayerWindowView::Snapshot PlayerWindowView::Listing() const {
    if (QThread::currentThread() == c_.listing->thread()) {
        Refresh();
    }
    const std::lock_guard lock(mutex_);
    return listing_;
}

QString PlayerWindowView::LineOfListing(const ListingText& listing, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= listing.lineStarts.size()) {
        return {};
    }
    const auto line = static_cast<std::size_t>(index);
    const qsizetype start = listing.lineStarts[line];
    const qsizetype end = line + 1 < listing.lineStarts.size() ? listing.lineStarts[line + 1] - 1
                                                               : listing.text.size();
    return listing.text.mid(start, end - start);
}

PlayerWindowView::Span PlayerWindowView::LineSpan(int index) const {
    const Snapshot shot = Listing();
    const ListingText& listing = *shot;
    if (index < 0 || static_cast<std::size_t>(index) >= listing.lineStarts.size()) {
        return {static_cast<int>(listing.text.size()), static_cast<int>(listing.text.size())};
    }
    const auto line = static_cast<std::size_t>(index);
    const qsizetype start = listing.lineStarts[line];
    const qsizetype end = line + 1 < listing.lineStarts.size() ? listing.lineStarts[line + 1] - 1
                                                               : listing.text.size();
    return {static_cast<int>(start), static_cast<int>(end)};
}

int SelectedIndex(const QComboBox* box) {
    const int index = box->currentIndex();
    return index >= 0 && box->itemText(index) == box->currentText() ? index : -1;
}

int PlayerWindowView::OutputCount() const {
    return c_.output->count();
}

std::string PlayerWindowView::OutputItem(int index) const {
    return c_.output->itemText(index).toStdString();
}

void PlayerWindowView::AppendOutput(const std::string& name) {
    c_.output->addItem(QString::fromStdString(name));
}

int PlayerWindowView::SelectedOutput() const {
    return SelectedIndex(c_.output);
}

std::string PlayerWindowView::OutputText() const {
    return c_.output->currentText().toStdString();
}

std::string PlayerWindowView::InstrumentText() const {
    return c_.instrument->currentText().toStdString();
}

void PlayerWindowView::SetInstrumentEnabled(bool enabled) {
    c_.instrument->setEnabled(enabled);
}

int PlayerWindowView::LineCount() const {
    // A last line left empty by a closing line break is no line.
    const Snapshot shot = Listing();
    const ListingText& listing = *shot;
    const auto lines = static_cast<int>(listing.lineStarts.size());
    return listing.lineStarts.back() == listing.text.size() ? lines - 1 : lines;
}

std::string PlayerWindowView::Line(int index) const {
    return ToCp1251(LineOfListing(*Listing(), index));
}

int PlayerWindowView::CaretPosition() const {
    // The position in the listing as saved: Windows-1251, one byte a
    // character, two for each line break (the text has one).
    const Snapshot shot = Listing();
    const ListingText& listing = *shot;
    const qsizetype caret = c_.listing->textCursor().selectionStart();
    const auto linesBefore =
        std::upper_bound(listing.lineStarts.begin(), listing.lineStarts.end(), caret) -
        listing.lineStarts.begin() - 1;
    return static_cast<int>(ToCp1251(listing.text.left(caret)).size() +
                            static_cast<std::size_t>(linesBefore));
}

void PlayerWindowView::SetLineLabel(const std::string& text) {
    c_.lineLabel->setText(QString::fromStdString(text));
}

void PlayerWindowView::SetControls(const playback::PlayerControls& controls) {
    c_.play->setEnabled(controls.play);
    c_.stop->setEnabled(controls.stop);
    c_.output->setEnabled(controls.output);
    c_.instrument->setEnabled(controls.instrument);
}

void PlayerWindowView::ShowMessage(const std::string& text) {
    c_.showMessage(QString::fromStdString(text));
}

}  // namespace tonvell::app

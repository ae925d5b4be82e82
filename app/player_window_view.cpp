#include "app/player_window_view.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include "convert/cp1251.h"

namespace tonvell::app {

namespace {

std::string ToCp1251(const QString& text) {
    return Utf8ToCp1251(text.toStdString());
}

}  // namespace

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
    const QTextDocument* document = c_.listing->document();
    const int blocks = document->blockCount();
    return document->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

std::string PlayerWindowView::Line(int index) const {
    const QTextBlock block = c_.listing->document()->findBlockByNumber(index);
    return block.isValid() ? ToCp1251(block.text()) : std::string();
}

int PlayerWindowView::CaretPosition() const {
    const int caret = c_.listing->textCursor().selectionStart();
    const QTextBlock caretBlock = c_.listing->document()->findBlock(caret);
    int position = 0;
    for (QTextBlock block = c_.listing->document()->begin(); block.isValid() && block != caretBlock;
         block = block.next()) {
        position += static_cast<int>(ToCp1251(block.text()).size()) + 2;
    }
    return position +
           static_cast<int>(ToCp1251(caretBlock.text().left(caret - caretBlock.position())).size());
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

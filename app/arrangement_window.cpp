// SPDX-License-Identifier: MIT
#include "app/arrangement_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

#include "app/arrangement_legend.h"
#include "app/arrangement_view.h"

namespace tonvell::app {

namespace {

constexpr double kZoomStep = 1.25;

QString StatisticsLine(const Arrangement& a) {
    QStringList parts;
    for (const std::string& line : a.statistics) {
        if (!line.empty()) {
            parts << QString::fromStdString(line);
        }
    }
    return parts.join(QStringLiteral(" · "));
}

}  // namespace

ArrangementWindow::ArrangementWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Arrangement"));
    title_ = new QLabel;
    title_->setTextFormat(Qt::PlainText);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    statistics_ = new QLabel;
    statistics_->setTextFormat(Qt::PlainText);
    editedNote_ = new QLabel(tr(
        "The listing was edited by hand: the picture shows the piece as the conversion made it."));
    editedNote_->setStyleSheet(QStringLiteral("color: #a00000;"));
    editedNote_->setWordWrap(true);
    editedNote_->hide();
    refusal_ = new QLabel;
    refusal_->setObjectName(QStringLiteral("refusal"));
    refusal_->setTextFormat(Qt::PlainText);
    refusal_->setAlignment(Qt::AlignCenter);
    refusal_->setWordWrap(true);
    refusal_->hide();
    legend_ = new ArrangementLegend;
    view_ = new ArrangementView;
    connect(view_, &ArrangementView::MomentClicked, this, [this](double seconds) {
        if (!playing_ && !arrangement_.commands.empty()) {
            emit LineChosen(LineAtSeconds(seconds));
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    tools_ = BuildTools();
    layout->addWidget(tools_);
    layout->addWidget(title_);
    layout->addWidget(statistics_);
    layout->addWidget(legend_);
    layout->addWidget(editedNote_);
    layout->addWidget(refusal_, 1);
    layout->addWidget(view_, 1);
    BindPlayerKeys();
    resize(1000, 560);
}

QWidget* ArrangementWindow::BuildTools() {
    auto* tools = new QWidget;
    auto* row = new QHBoxLayout(tools);
    row->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](const QString& text, const QString& tip, const QKeySequence& keys,
                            auto action) {
        auto* b = new QPushButton(text);
        b->setToolTip(tip + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) +
                      QStringLiteral(")"));
        b->setShortcut(keys);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, action);
        row->addWidget(b);
        return b;
    };
    button(tr("Time −"), tr("Less time detail; also Ctrl+wheel"), QKeySequence(Qt::Key_Minus),
           [this] { view_->ZoomTime(1 / kZoomStep); });
    button(tr("Time +"), tr("More time detail; also Ctrl+wheel"), QKeySequence(Qt::Key_Plus),
           [this] { view_->ZoomTime(kZoomStep); });
    button(tr("Pitch −"), tr("Lower rows; also Ctrl+Shift+wheel"),
           QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { view_->ZoomPitch(1 / kZoomStep); });
    button(tr("Pitch +"), tr("Taller rows; also Ctrl+Shift+wheel"),
           QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { view_->ZoomPitch(kZoomStep); });
    button(tr("Whole piece"), tr("The whole piece in the window"), QKeySequence(Qt::Key_0), [this] {
        view_->ShowWholePiece();
    })->setObjectName(QStringLiteral("wholePiece"));
    button(tr("1:1"), tr("The usual scale"), QKeySequence(Qt::Key_1),
           [this] { view_->ShowOneToOne(); });
    // "=" is the plus key without Shift on many keyboards.
    auto* plus = new QShortcut(QKeySequence(Qt::Key_Equal), this);
    connect(plus, &QShortcut::activated, this, [this] { view_->ZoomTime(kZoomStep); });
    row->addStretch(1);
    return tools;
}

// The player's keys work here as in the main window, which does what they
// ask: the picture's window is a window of its own, so the main window's
// shortcuts do not reach it.
void ArrangementWindow::BindPlayerKeys() {
    const auto bind = [this](const QKeySequence& keys, void (ArrangementWindow::*signal)()) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, signal);
    };
    bind(QKeySequence(Qt::Key_F5), &ArrangementWindow::PlayRequested);
    bind(QKeySequence(Qt::Key_Escape), &ArrangementWindow::StopRequested);
    bind(QKeySequence(Qt::SHIFT | Qt::Key_F5), &ArrangementWindow::StopRequested);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Home), &ArrangementWindow::RewindRequested);
}

void ArrangementWindow::ShowArrangement(Arrangement arrangement) {
    // The view keeps a pointer: it lets go of the old arrangement first.
    view_->SetArrangement(nullptr);
    arrangement_ = std::move(arrangement);
    view_->SetArrangement(&arrangement_);
    title_->setText(QString::fromStdString(arrangement_.fileName));
    statistics_->setText(StatisticsLine(arrangement_));
    for (QWidget* w : std::initializer_list<QWidget*>{title_, statistics_, legend_, view_}) {
        w->show();
    }
    refusal_->hide();
    tools_->setEnabled(true);
    setWindowTitle(tr("Arrangement: %1").arg(QString::fromStdString(arrangement_.fileName)));
}

void ArrangementWindow::ShowConversion(const ConversionResult& result, Arrangement arrangement,
                                       const QString& fileName) {
    switch (result.status) {
        case ConversionResult::Status::Converted:
            ShowArrangement(std::move(arrangement));
            return;
        case ConversionResult::Status::TooLarge:
            // The limit grouped as the user's language writes numbers.
            ShowRefusal(fileName, tr("the file is larger than %1 bytes (%2).")
                                      .arg(QLocale().toString(kMaxInputBytes))
                                      .arg(QString::fromStdString(result.sizeLine)));
            return;
        case ConversionResult::Status::NotOpened:
            ShowRefusal(fileName, tr("the file could not be read: %1.")
                                      .arg(QString::fromStdString(result.failureReason)));
            return;
    }
}

void ArrangementWindow::ShowRefusal(const QString& fileName, const QString& reason) {
    view_->SetArrangement(nullptr);
    arrangement_ = Arrangement();
    for (QWidget* w : std::initializer_list<QWidget*>{title_, statistics_, legend_, view_}) {
        w->hide();
    }
    editedNote_->hide();
    refusal_->setText(tr("No picture of %1:\n%2").arg(fileName, reason));
    refusal_->show();
    tools_->setEnabled(false);
    setWindowTitle(fileName.isEmpty() ? tr("Arrangement") : tr("Arrangement: %1").arg(fileName));
}

void ArrangementWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        view_->setFocus();
    }
}

void ArrangementWindow::FollowPlayer(int line, bool playing) {
    playing_ = playing;
    view_->SetPlayHead(arrangement_.SecondsAtLine(line), playing && isVisible());
}

double ArrangementWindow::PlayHeadSeconds() const {
    return view_->PlayHeadSeconds();
}

int ArrangementWindow::LineAtSeconds(double seconds) const {
    const std::vector<CommandAt>& commands = arrangement_.commands;
    const auto at = std::lower_bound(commands.begin(), commands.end(), seconds,
                                     [](const CommandAt& c, double s) { return c.seconds < s; });
    if (at == commands.end()) {
        return commands.empty() ? 0 : commands.back().line + 1;
    }
    return at->line;
}

void ArrangementWindow::SetListingEdited(bool edited) {
    editedNote_->setVisible(edited && refusal_->isHidden());
}

bool ArrangementWindow::EditedNoteShown() const {
    return !editedNote_->isHidden();
}

QString ArrangementWindow::RefusalShown() const {
    return refusal_->isHidden() ? QString() : refusal_->text();
}

}  // namespace tonvell::app

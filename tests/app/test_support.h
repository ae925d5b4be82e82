// SPDX-License-Identifier: MIT
#pragma once
// Stand-ins for the window's modal parts and small MIDI fixtures.

#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/message_boxes.h"
#include "app/save_dialog.h"

namespace tonvell::test {

struct ShownBox {
    bool error = false;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Records every box instead of showing it; the list outlives the window. A
// question is answered with answer (Cancel unless told otherwise).
class RecordingMessageBoxes final : public app::MessageBoxes {
public:
    explicit RecordingMessageBoxes(std::vector<ShownBox>& shown,
                                   QMessageBox::StandardButton answer = QMessageBox::Cancel)
        : shown_(shown), answer_(answer) {}
    void Message(const QString& title, const QString& text) override {
        shown_.push_back({false, title, text});
    }
    void Error(const QString& title, const QString& text) override {
        shown_.push_back({true, title, text});
    }
    QMessageBox::StandardButton Question(const QString& title, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton) override {
        shown_.push_back({false, title, text, buttons});
        return answer_;
    }

private:
    std::vector<ShownBox>& shown_;
    QMessageBox::StandardButton answer_;
};

// Answers the save dialog as a user would; the state before the dialog is
// kept for inspection.
class ScriptedSaveDialog final : public app::SaveDialogRunner {
public:
    struct Answer {
        bool confirm = true;
        QString path;
        int filterIndex = 1;
    };
    ScriptedSaveDialog(Answer answer, app::SaveDialogState& seen)
        : answer_(std::move(answer)), seen_(seen) {}
    bool Execute(app::SaveDialogState& state, QWidget*) override {
        seen_ = state;
        if (!answer_.confirm) {
            return false;
        }
        state.FileName = answer_.path;
        state.FilterIndex = answer_.filterIndex;
        return true;
    }

private:
    Answer answer_;
    app::SaveDialogState& seen_;
};

// A format-0 file with one track holding the given event bytes (end of track
// appended).
QByteArray Format0(int ticksPerQuarter, const QByteArray& events);

// The worked example: tempo 07 A1 20, note 60 on at tick 0, off at tick 96.
QByteArray SongFile();

// Thousands of "Time field is too long" and then of "Field too long".
QByteArray FloodFile();

// A file whose first delta time has five bytes: "Time field is too long".
QByteArray LongDeltaFile();

// Holds folder read-only for one scope, with an old file in it: a read-only
// file system mounted in a mount namespace of this process's own when running
// as root (for whom permissions do not count), the folder's permissions
// otherwise.
class ReadOnlyFolder {
public:
    ReadOnlyFolder(const QString& folder, const QString& oldFile, const QByteArray& oldBytes);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool ready() const { return ready_; }

private:
    QString folder_;
    bool mounted_ = false;
    bool ready_ = false;
};

// Runs action on the modal dialog of type T once it is up; gives up after
// five seconds, so a test never waits for ever.
template <class T>
void WhenModal(std::function<void(T*)> action) {
    auto* timer = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(5000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, deadline, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            timer->stop();
            action(dialog);
        } else if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        }
    });
    timer->start(20);
}

void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Whether the user's home folder heads the window's drive list, as it should
// where it exists; where HOME names no folder (as on a package build
// machine), whether the list leaves it out.
bool HomeHeadsTheDriveList(const QComboBox& drives);

}  // namespace tonvell::test

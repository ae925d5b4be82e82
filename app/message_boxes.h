// SPDX-License-Identifier: MIT
#pragma once
// The window's modal message boxes, behind an interface so that tests record
// them instead of blocking on them.

#include <QMessageBox>
#include <QString>

class QWidget;

namespace tonvell::app {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A plain box with one OK button; returns when the user closes it.
    virtual void Message(const QString& title, const QString& text) = 0;
    // The error box for failures: a file that cannot be saved, an error that
    // escaped a handler.
    virtual void Error(const QString& title, const QString& text) = 0;
    // A question with Qt's standard buttons (translated with the rest of Qt);
    // returns the button chosen, Escape giving the Cancel or No button. Boxes
    // that show no questions answer Cancel, which loses nothing.
    virtual QMessageBox::StandardButton Question(const QString& /*title*/, const QString& /*text*/,
                                                 QMessageBox::StandardButtons /*buttons*/,
                                                 QMessageBox::StandardButton /*byDefault*/) {
        return QMessageBox::Cancel;
    }
};

class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
    void Message(const QString& title, const QString& text) override;
    void Error(const QString& title, const QString& text) override;
    QMessageBox::StandardButton Question(const QString& title, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton byDefault) override;

private:
    QWidget* parent_;
};

}  // namespace tonvell::app

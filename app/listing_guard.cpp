// SPDX-License-Identifier: MIT
#include "app/listing_guard.h"

#include <QCoreApplication>
#include <QPlainTextEdit>

#include "app/message_boxes.h"

namespace tonvell::app {

QString ListingEditedQuestion() {
    return QCoreApplication::translate(
        "tonvell::app::ListingGuard",
        "The listing was changed. Save the changes before converting another file?");
}

QString ListingEditedOnReconvertQuestion() {
    return QCoreApplication::translate(
        "tonvell::app::ListingGuard",
        "The listing was changed. Save the changes before converting the file again?");
}

QString ListingEditedOnOpenQuestion() {
    return QCoreApplication::translate(
        "tonvell::app::ListingGuard",
        "The listing was changed. Save the changes before opening a listing?");
}

QString ListingEditedOnCloseQuestion() {
    return QCoreApplication::translate(
        "tonvell::app::ListingGuard",
        "The listing was changed. Save the changes before closing the program?");
}

bool ListingEdited(const QPlainTextEdit& listing) {
    return listing.document()->isModified();
}

void MarkListingUnedited(QPlainTextEdit& listing) {
    listing.document()->setModified(false);
}

bool MayReplaceListing(QPlainTextEdit& listing, MessageBoxes& boxes, const QString& title,
                       const std::function<bool()>& save, const QString& question) {
    if (!ListingEdited(listing)) {
        return true;
    }
    switch (boxes.Question(title, question,
                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                           QMessageBox::Save)) {
        case QMessageBox::Save:
            return save();
        case QMessageBox::Discard:
            return true;
        default:
            return false;
    }
}

}  // namespace tonvell::app

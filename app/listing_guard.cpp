// SPDX-License-Identifier: MIT
#include "app/listing_guard.h"

#include <QPlainTextEdit>

#include "app/message_boxes.h"

namespace tonvell::app {

const QString kListingEditedQuestion =
    QStringLiteral("Листинг был изменён. Сохранить изменения перед обработкой другого файла?");
const QString kListingEditedOnCloseQuestion =
    QStringLiteral("Листинг был изменён. Сохранить изменения перед закрытием программы?");

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

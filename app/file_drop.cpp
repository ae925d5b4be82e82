// SPDX-License-Identifier: MIT
#include "app/file_drop.h"

#include <QDragMoveEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "app/listing_file.h"

namespace tonvell::app {

bool CarriesLocalFiles(const QMimeData& data) {
    if (!data.hasUrls()) {
        return false;
    }
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            return true;
        }
    }
    return false;
}

namespace {

// The one local regular file data carries; an empty name for anything else.
QFileInfo SingleLocalFile(const QMimeData& data) {
    if (!data.hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) {
        return {};
    }
    const QFileInfo file(urls.first().toLocalFile());
    return file.isFile() ? file : QFileInfo();
}

}  // namespace

QString DroppedMidiFile(const QMimeData& data) {
    const QFileInfo file = SingleLocalFile(data);
    const QString suffix = file.suffix().toLower();
    if (suffix != QLatin1String("mid") && suffix != QLatin1String("midi")) {
        return {};
    }
    return file.absoluteFilePath();
}

QString DroppedListingFile(const QMimeData& data) {
    const QFileInfo file = SingleLocalFile(data);
    return file.fileName().isEmpty() || !IsListingFileName(file.fileName())
               ? QString()
               : file.absoluteFilePath();
}

void OfferMidiFileDrop(QDragMoveEvent* event) {
    if (DroppedMidiFile(*event->mimeData()).isEmpty() &&
        DroppedListingFile(*event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

}  // namespace tonvell::app

// SPDX-License-Identifier: MIT
#include "app/file_drop.h"

#include <QDragMoveEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

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

QString DroppedMidiFile(const QMimeData& data) {
    if (!data.hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) {
        return {};
    }
    const QFileInfo file(urls.first().toLocalFile());
    const QString suffix = file.suffix().toLower();
    if ((suffix != QLatin1String("mid") && suffix != QLatin1String("midi")) || !file.isFile()) {
        return {};
    }
    return file.absoluteFilePath();
}

void OfferMidiFileDrop(QDragMoveEvent* event) {
    if (DroppedMidiFile(*event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

}  // namespace tonvell::app

// SPDX-License-Identifier: MIT
#include "app/saved_choices.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>

namespace tonvell::app {

QString ExistingFolder(const QString& value) {
    const QFileInfo folder(QDir::current(), value);
    if (!folder.isDir() || !folder.isReadable()) {
        return {};
    }
    return QDir::cleanPath(folder.absoluteFilePath());
}

void ChooseExactly(QComboBox* box, const QString& text) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(0);
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text) {
            box->setCurrentIndex(i);
            break;
        }
    }
}

void ShowText(QComboBox* box, const QString& text) {
    const int item = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0) {
        box->setCurrentIndex(item);
    } else {
        box->setEditText(text);
    }
}

}  // namespace tonvell::app

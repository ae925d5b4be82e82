// SPDX-License-Identifier: MIT
#include "app/save_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace tonvell::app {

QStringList NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        if (pattern == QLatin1String("*.*")) {
            pattern = QStringLiteral("*");
        }
        filters << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

QString SuffixFor(const QString& nameFilter, const QString& fallback) {
    static const QRegularExpression kPattern(QStringLiteral("\\(\\*\\.([^*?;() ]+)\\)$"));
    const QRegularExpressionMatch match = kPattern.match(nameFilter);
    return match.hasMatch() ? match.captured(1) : fallback;
}

QString InitialSaveFolder(const QString& inputPath) {
    if (inputPath.isEmpty()) {
        return {};
    }
    return QFileInfo(inputPath).absolutePath();
}

QString ProposedSaveName(const QString& inputPath) {
    const QString name = QFileInfo(inputPath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

namespace {

// The position of a filter as the dialog reports it: whole ("Файлы *.inc
// (*.inc)") or, with the patterns hidden, by its caption ("Файлы *.inc").
qsizetype FilterPosition(const QStringList& filters, const QString& reported) {
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters[i];
        if (filter == reported ||
            filter.left(filter.lastIndexOf(QStringLiteral(" ("))) == reported) {
            return i;
        }
    }
    return -1;
}

}  // namespace

bool QtSaveDialogRunner::Execute(SaveDialogState& state, QWidget* parent) {
    const QStringList filters = NameFilters(state.Filter);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (widgetDialog_) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    }
    // The types read as the filter texts say ("Файлы *.inc"), without the
    // patterns Qt would append.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    const int index =
        state.FilterIndex >= 1 && state.FilterIndex <= filters.size() ? state.FilterIndex : 1;
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(filters[index - 1]);
        dialog.setDefaultSuffix(SuffixFor(filters[index - 1], state.DefaultExt));
    }
    // A name typed without an extension takes the chosen type's extension,
    // so "song" saved as a data block becomes song.zum.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &state, &filters](const QString& nameFilter) {
                         const qsizetype chosen = FilterPosition(filters, nameFilter);
                         dialog.setDefaultSuffix(SuffixFor(
                             chosen >= 0 ? filters[chosen] : nameFilter, state.DefaultExt));
                     });
    if (!state.InitialDir.isEmpty()) {
        dialog.setDirectory(state.InitialDir);
    }
    if (!state.FileName.isEmpty()) {
        dialog.selectFile(state.FileName);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return false;
    }
    state.FileName = QFileInfo(chosen.first()).absoluteFilePath();
    const qsizetype chosenFilter = FilterPosition(filters, dialog.selectedNameFilter());
    if (chosenFilter >= 0) {
        state.FilterIndex = static_cast<int>(chosenFilter) + 1;
    }
    return true;
}

ListingFileType FileTypeOfFilter(int filterIndex, const QString& fileName) {
    switch (filterIndex) {
        case 1:
            return ListingFileType::Inc;
        case 2:
            return ListingFileType::Zum;
        case 3:
            return ListingFileType::Txt;
        default:
            return FileTypeByExtension(fileName.toStdString());
    }
}

}  // namespace tonvell::app

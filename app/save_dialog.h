// SPDX-License-Identifier: MIT
#pragma once
// The save dialog's state (SaveDialog1) and the dialog that edits it. The
// state is plain data so that settings can persist the file type; the dialog
// is an interface so that tests supply the user's answer.

#include <QString>
#include <QStringList>

#include "output/listing_formats.h"

class QWidget;

namespace tonvell::app {

struct SaveDialogState {
    // Pairs of caption and pattern separated by "|".
    QString Filter =
        QStringLiteral("Файлы *.inc|*.inc|Файлы *.zum|*.zum|Файлы *.txt|*.txt|Все файлы|*.*");
    QString DefaultExt = QStringLiteral("inc");
    // The chosen file type, 1 to 4; changed only when the user confirms.
    int FilterIndex = 1;
    QString InitialDir;
    // The proposed name before the dialog; the confirmed full path after it.
    QString FileName;
};

class SaveDialogRunner {
public:
    virtual ~SaveDialogRunner() = default;
    // Shows the dialog preset from state. On confirmation stores the full path
    // in FileName and the chosen type in FilterIndex and returns true; on
    // cancel leaves state as it was and returns false.
    virtual bool Execute(SaveDialogState& state, QWidget* parent) = 0;
};

class QtSaveDialogRunner final : public SaveDialogRunner {
public:
    // widgetDialog: always Qt's own dialog, never the desktop's native one.
    explicit QtSaveDialogRunner(bool widgetDialog = false) : widgetDialog_(widgetDialog) {}
    bool Execute(SaveDialogState& state, QWidget* parent) override;

private:
    bool widgetDialog_;
};

// Qt name filters from the "|" filter text: "Файлы *.inc (*.inc)", …,
// "Все файлы (*)". "*.*" becomes "*", which on this platform also matches
// names without a dot.
QStringList NameFilters(const QString& filter);

// The suffix a typed name without one receives under a name filter: the
// filter's own extension, or fallback for "all files".
QString SuffixFor(const QString& nameFilter, const QString& fallback);

// The file type a dialog filter index picks: 1 to 3 their own type; "Все
// файлы" (4) and any index out of range the type the name's extension asks for.
ListingFileType FileTypeOfFilter(int filterIndex, const QString& fileName);

// The folder of the input file, empty when no file is chosen.
QString InitialSaveFolder(const QString& inputPath);

// The input file's name cut before its last ".": song.mid gives song, a.b.mid
// gives a.b, .mid gives the empty name; a name without "." stays whole.
QString ProposedSaveName(const QString& inputPath);

}  // namespace tonvell::app

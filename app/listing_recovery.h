// SPDX-License-Identifier: MIT
#pragma once
// An edited listing left in the window when a signal ends the program (a
// logout, a closed terminal, a shutdown) cannot be asked about: it is written
// to a file of its own beside the settings file, named after the file the
// listing came from, and the next start says where it is. An existing file
// is never written over.

#include <QString>
#include <QStringList>

namespace tonvell::app {

// The name of the recovery file for a listing converted from source (any
// path, or empty when the listing came from no file): "NAME.recovered.txt",
// with "-2", "-3", ... before ".txt" for the attempt-th try.
QString RecoveryFileName(const QString& source, int attempt);

// Writes text (UTF-8, as the box holds it) to a new recovery file in folder
// and records it in the folder's notice list. Returns the file's path, or an
// empty string when no new file could be created there.
QString WriteRecoveredListing(const QString& folder, const QString& source, const QString& text);

// The recovery files the notice list of folder names, then the list is
// removed, so that each is announced at one start only. Names are read from
// at most a small, bounded part of the list.
QStringList TakeRecoveryNotices(const QString& folder);

// The message announcing the recovered files.
QString RecoveryNoticeText(const QStringList& files);

}  // namespace tonvell::app

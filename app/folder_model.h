// SPDX-License-Identifier: MIT
#pragma once
// What the browser lists show, computed from the file system alone: the
// drives, the folder chain with its subfolders, and the matching files. Plain
// QtCore, so the lists are tested without widgets.

#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

namespace tonvell::app {

// One row of the folder list.
struct FolderRow {
    QString name;         // shown text: the folder's name, or the root path itself
    QString path;         // full path, opened by a double click
    int level = 0;        // indentation: 0 for the root
    bool onPath = false;  // the root, an ancestor or the current folder itself
};

// The path from the root down to folder, then folder's subfolders sorted by
// name. A folder that cannot be read has no subfolder rows.
std::vector<FolderRow> FolderRows(const QString& folder);

// The files of folder whose names match mask ("*.mid", any case), sorted by
// name; empty when the folder cannot be read.
QStringList MatchingFiles(const QString& folder, const QString& mask);

// The drive holding folder: the longest drive root that contains it, or the
// first drive when none does.
QString DriveOf(const QString& folder, const QStringList& drives);

// Mount points that hold user data, from a mount table in the format of
// /proc/self/mounts: the root folder first, then the others sorted; pseudo
// and system file systems are left out.
QStringList UserDataMounts(std::string_view mountTable);

// The drives of this machine: on Linux the user-data mounts that are folders,
// elsewhere the platform's drive roots.
QStringList MachineDrives();

// The drive list: the user's home folder and music folder (when they exist,
// the music folder when it is another one) at the top, where the user's
// files are, then drives without those two.
QStringList WithUserFolders(const QStringList& drives, const QString& home, const QString& music);

// The drive list of this machine and user: WithUserFolders over
// MachineDrives, the home folder and the desktop's music folder.
QStringList BrowserDrives();

}  // namespace tonvell::app

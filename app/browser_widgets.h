// SPDX-License-Identifier: MIT
#pragma once
// The three linked browser controls: a drive list, a folder list and a file
// list with a mask. The links between them are made by the window.

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

namespace tonvell::app {

// A drop-down of the machine's drives.
class DriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr);
    void SetDrives(const QStringList& drives);
    QStringList Drives() const;
    QString Drive() const { return currentText(); }
    // Shows the drive that holds folder, without announcing a choice.
    void ShowDriveOf(const QString& folder);

signals:
    // The user chose a drive: its root folder.
    void DriveChosen(const QString& root);
};

// The path from the root to the current folder and the current folder's
// subfolders; a double click or Enter opens the folder under the cursor.
class DirectoryListBox : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);
    QString Directory() const { return directory_; }
    // Shows folder and announces it, even when it is the folder already shown.
    void SetDirectory(const QString& folder);

signals:
    void DirectoryChanged(const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The rows are a path, not a tree to fold: no branch marks.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void Open(QTreeWidgetItem* item);
    QString directory_;
};

// The files of one folder that match the mask; choosing one by mouse or keys
// announces it.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    QString Mask() const { return mask_; }
    QString Directory() const { return directory_; }
    // Lists folder's matching files with none selected.
    void SetDirectory(const QString& folder);
    // The full path of the selected file, empty when none is selected.
    QString FileName() const;
    // Selects the listed file with this name; false when it is not listed.
    bool SelectFile(const QString& name);
    // Selects the file at path when this folder lists it, and nothing
    // otherwise, without announcing a choice: puts back the selection after
    // the user took back a choice.
    void ChooseQuietly(const QString& path);

signals:
    // A file became the selected one.
    void FileChosen();
    // The selection changed, to a file or to none.
    void SelectionChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString mask_ = QStringLiteral("*.mid");
    QString directory_;
    bool quiet_ = false;  // a selection change that is no choice of the user's
};

}  // namespace tonvell::app

// SPDX-License-Identifier: MIT
#include "app/browser_widgets.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QTimer>

#include "app/app_support.h"
#include "app/folder_model.h"

namespace tonvell::app {

namespace {

constexpr int kItemHeight = 16;

}  // namespace

DriveComboBox::DriveComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this,
            [this](int index) { emit DriveChosen(itemText(index)); });
    // A long folder path is cut by the box: the whole of it shows as a tooltip.
    connect(this, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { setToolTip(PlainTooltip(text)); });
}

void DriveComboBox::SetDrives(const QStringList& drives) {
    const QString shown = currentText();
    clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString& drive : drives) {
        addItem(icon, drive);
        setItemData(count() - 1, PlainTooltip(drive), Qt::ToolTipRole);
    }
    setCurrentIndex(std::max(0, static_cast<int>(drives.indexOf(shown))));
}

QStringList DriveComboBox::Drives() const {
    QStringList drives;
    for (int i = 0; i < count(); ++i) {
        drives << itemText(i);
    }
    return drives;
}

void DriveComboBox::ShowDriveOf(const QString& folder) {
    const int index = findText(DriveOf(folder, Drives()));
    if (index >= 0) {
        setCurrentIndex(index);
    }
}

DirectoryListBox::DirectoryListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setIndentation(8);
    setIconSize(QSize(14, 14));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setStretchLastSection(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Open(item); });
}

void DirectoryListBox::SetDirectory(const QString& folder) {
    directory_ = QDir::cleanPath(QDir(folder).absolutePath());
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parentItem = nullptr;
    QTreeWidgetItem* currentItem = nullptr;
    for (const FolderRow& row : FolderRows(directory_)) {
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, row.name);
        item->setData(0, Qt::UserRole, row.path);
        item->setToolTip(0, PlainTooltip(row.path));
        item->setIcon(0, row.onPath ? open : closed);
        item->setSizeHint(0, QSize(fontMetrics().horizontalAdvance(row.name) + 24, kItemHeight));
        if (row.onPath) {
            parentItem = item;
            currentItem = item;
        }
    }
    expandAll();
    if (currentItem) {
        setCurrentItem(currentItem);
        scrollToItem(currentItem);
    }
    emit DirectoryChanged(directory_);
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Open(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirectoryListBox::Open(QTreeWidgetItem* item) {
    if (item) {
        SetDirectory(item->data(0, Qt::UserRole).toString());
    }
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        emit SelectionChanged();
        if (!quiet_ && !selectedItems().isEmpty()) {
            emit FileChosen();
        }
    });
}

void FileListBox::SetDirectory(const QString& folder) {
    directory_ = QDir::cleanPath(QDir(folder).absolutePath());
    {
        // Refilling is no choice of the user's.
        const QSignalBlocker quiet(this);
        clear();
        for (const QString& name : MatchingFiles(directory_, mask_)) {
            auto* item = new QListWidgetItem(name, this);
            // The list cuts a long name: the whole of it shows as a tooltip.
            item->setToolTip(PlainTooltip(name));
            item->setSizeHint(QSize(fontMetrics().horizontalAdvance(name) + 6, kItemHeight));
        }
        setCurrentRow(-1);
        clearSelection();
    }
    emit SelectionChanged();
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    // With nothing chosen, the first arrow key chooses the row under the focus
    // frame (the first row) instead of passing over it.
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && event->modifiers() == Qt::NoModifier && selectedItems().isEmpty() && count() > 0) {
        setCurrentRow(std::max(0, currentRow()));
        item(currentRow())->setSelected(true);
        return;
    }
    QListWidget::keyPressEvent(event);
}

QString FileListBox::FileName() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    if (chosen.isEmpty()) {
        return {};
    }
    return QDir(directory_).filePath(chosen.first()->text());
}

bool FileListBox::SelectFile(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        return false;
    }
    setCurrentItem(found.first());
    found.first()->setSelected(true);
    scrollToItem(found.first());
    return true;
}

void FileListBox::ChooseQuietly(const QString& path) {
    // After the view has finished the change it is making now (a key press
    // moves the current row after announcing the selection).
    QTimer::singleShot(0, this, [this, path] {
        quiet_ = true;
        const QFileInfo file(path);
        const QList<QListWidgetItem*> found =
            !path.isEmpty() && QDir::cleanPath(file.absolutePath()) == directory_
                ? findItems(file.fileName(), Qt::MatchExactly)
                : QList<QListWidgetItem*>();
        if (found.isEmpty()) {
            clearSelection();
        } else {
            setCurrentItem(found.first());
            found.first()->setSelected(true);
            scrollToItem(found.first());
        }
        quiet_ = false;
    });
}

}  // namespace tonvell::app

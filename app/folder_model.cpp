// SPDX-License-Identifier: MIT
#include "app/folder_model.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <set>
#include <string>

namespace tonvell::app {

namespace {

QString Clean(const QString& folder) {
    return QDir::cleanPath(QDir(folder).absolutePath());
}

// Mount tables escape space, tab, newline and backslash as three octal digits.
QString Unescape(std::string_view field) {
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return QFile::decodeName(QByteArray::fromStdString(out));
}

bool IsUnder(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// File systems of the kernel and of package managers, never user data.
bool IsPseudoType(const QString& type) {
    static const std::set<QString> kTypes = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("squashfs"),
        QStringLiteral("ramfs"),
        QStringLiteral("nfsd"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
    };
    return kTypes.count(type) != 0;
}

// Kernel, device and boot areas; removable media under /run/media are kept.
bool IsSystemPath(const QString& path) {
    if (IsUnder(path, QStringLiteral("/run/media"))) {
        return false;
    }
    for (const char* area : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap"}) {
        if (IsUnder(path, QLatin1String(area))) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<FolderRow> FolderRows(const QString& folder) {
    const QString current = Clean(folder);
    std::vector<FolderRow> chain;
    QString path = current;
    for (;;) {
        const QString parent = QFileInfo(path).path();
        const QString name = QFileInfo(path).fileName();
        chain.push_back({name.isEmpty() ? path : name, path, 0, true});
        if (parent == path || name.isEmpty()) {
            break;
        }
        path = parent;
    }
    std::reverse(chain.begin(), chain.end());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        chain[i].level = static_cast<int>(i);
    }
    const int childLevel = static_cast<int>(chain.size());
    const QDir dir(current);
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        // The folder filter also passes links to devices and other special
        // files; only what opens as a folder is one.
        if (QFileInfo(dir.filePath(name)).isDir()) {
            chain.push_back({name, dir.filePath(name), childLevel, false});
        }
    }
    return chain;
}

QStringList MatchingFiles(const QString& folder, const QString& mask) {
    QDir dir(folder);
    // Name filters match without regard to case unless told otherwise.
    return dir.entryList({mask}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QString DriveOf(const QString& folder, const QStringList& drives) {
    const QString current = Clean(folder);
    QString best;
    for (const QString& drive : drives) {
        const QString root = QDir::cleanPath(drive);
        const bool contains =
            root.endsWith(QLatin1Char('/')) ? current.startsWith(root) : IsUnder(current, root);
        if (contains && root.size() > QDir::cleanPath(best).size()) {
            best = drive;
        }
    }
    if (best.isEmpty() && !drives.isEmpty()) {
        best = drives.first();
    }
    return best;
}

QStringList UserDataMounts(std::string_view mountTable) {
    std::set<QString> others;
    while (!mountTable.empty()) {
        const std::size_t end = mountTable.find('\n');
        const std::string_view line = mountTable.substr(0, end);
        mountTable =
            end == std::string_view::npos ? std::string_view{} : mountTable.substr(end + 1);
        std::vector<std::string_view> fields;
        std::size_t pos = 0;
        while (pos < line.size() && fields.size() < 3) {
            const std::size_t start = line.find_first_not_of(" \t", pos);
            if (start == std::string_view::npos) {
                break;
            }
            const std::size_t stop = line.find_first_of(" \t", start);
            fields.push_back(line.substr(start, stop - start));
            pos = stop == std::string_view::npos ? line.size() : stop;
        }
        if (fields.size() < 3) {
            continue;
        }
        const QString mountPoint = QDir::cleanPath(Unescape(fields[1]));
        const QString type =
            QString::fromUtf8(fields[2].data(), static_cast<qsizetype>(fields[2].size()));
        if (mountPoint == QLatin1String("/") || !mountPoint.startsWith(QLatin1Char('/')) ||
            IsPseudoType(type) || IsSystemPath(mountPoint)) {
            continue;
        }
        others.insert(mountPoint);
    }
    QStringList drives{QStringLiteral("/")};
    for (const QString& mountPoint : others) {
        drives << mountPoint;
    }
    return drives;
}

QStringList MachineDrives() {
    QStringList drives;
#if defined(Q_OS_LINUX)
    QFile table(QStringLiteral("/proc/self/mounts"));
    QByteArray text;
    if (table.open(QIODevice::ReadOnly)) {
        text = table.readAll();
    }
    for (const QString& mountPoint : UserDataMounts(
             std::string_view(text.constData(), static_cast<std::size_t>(text.size())))) {
        // Containers bind single files (/etc/hosts); only folders are drives.
        if (QFileInfo(mountPoint).isDir()) {
            drives << mountPoint;
        }
    }
#else
    for (const QFileInfo& drive : QDir::drives()) {
        drives << drive.absoluteFilePath();
    }
#endif
    if (drives.isEmpty()) {
        drives << QDir::rootPath();
    }
    return drives;
}

QStringList WithUserFolders(const QStringList& drives, const QString& home, const QString& music) {
    QStringList list;
    for (const QString& folder : {home, music}) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
            continue;
        }
        const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        if (!list.contains(clean)) {
            list << clean;
        }
    }
    for (const QString& drive : drives) {
        if (!list.contains(QDir::cleanPath(drive))) {
            list << drive;
        }
    }
    return list;
}

QStringList BrowserDrives() {
    return WithUserFolders(MachineDrives(), QDir::homePath(),
                           QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
}

}  // namespace tonvell::app

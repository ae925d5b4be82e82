// SPDX-License-Identifier: MIT
#include "app/listing_recovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tonvell::app {

namespace {

// The list of recovery files not announced yet, beside the settings file.
constexpr QLatin1String kNoticeList(".tonvell-recovered");
constexpr int kAttemptsAtMost = 100;
constexpr qint64 kNoticeBytesAtMost = qint64{64} * 1024;

bool WriteNew(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    // NewOnly fails when anything at all is at path, a link included.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}

}  // namespace

QString RecoveryFileName(const QString& source, int attempt) {
    QString base = QFileInfo(source).completeBaseName();
    if (base.isEmpty()) {
        base = QStringLiteral("listing");
    }
    const QString number = attempt > 1 ? QStringLiteral("-%1").arg(attempt) : QString();
    return base + QStringLiteral(".recovered") + number + QStringLiteral(".txt");
}

QString WriteRecoveredListing(const QString& folder, const QString& source, const QString& text) {
    const QDir dir(folder);
    const QByteArray bytes = text.toUtf8();
    for (int attempt = 1; attempt <= kAttemptsAtMost; ++attempt) {
        QString path = dir.absoluteFilePath(RecoveryFileName(source, attempt));
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            continue;
        }
        if (!WriteNew(path, bytes)) {
            // A folder that refuses one new file refuses them all.
            if (!QFileInfo::exists(path)) {
                return {};
            }
            continue;
        }
        QFile notices(dir.absoluteFilePath(kNoticeList));
        if (notices.open(QIODevice::WriteOnly | QIODevice::Append)) {
            notices.write(QFile::encodeName(path) + '\n');
        }
        return path;
    }
    return {};
}

QStringList TakeRecoveryNotices(const QString& folder) {
    const QString path = QDir(folder).absoluteFilePath(kNoticeList);
    const QFileInfo info(path);
    if (!info.isFile()) {
        return {};
    }
    QStringList files;
    QFile notices(path);
    if (notices.open(QIODevice::ReadOnly)) {
        const QByteArray text = notices.read(kNoticeBytesAtMost);
        for (const QByteArray& line : text.split('\n')) {
            const QString file = QFile::decodeName(line);
            if (!line.isEmpty() && QFileInfo(file).isFile() && !files.contains(file)) {
                files << file;
            }
        }
    }
    QFile::remove(path);
    return files;
}

QString RecoveryNoticeText(const QStringList& files) {
    return QCoreApplication::translate("tonvell::app::ListingRecovery",
                                       "The program was closed by a signal, and the edited "
                                       "listing was kept in the file:\n") +
           files.join(QLatin1Char('\n'));
}

}  // namespace tonvell::app

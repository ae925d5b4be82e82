// SPDX-License-Identifier: MIT
#include "app/listing_recovery.h"

#include <algorithm>
#include <cstddef>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/own_file.h"

namespace tonvell::app {

namespace {

// The list of recovery files not announced yet, beside the settings file and
// the files themselves: one file name a line. The folder may be shared with
// other users, so the list is only used when it is the user's own regular
// file, and only names that this program gives recovery files, of files of
// the user's own in that folder, are announced.
constexpr QLatin1String kNoticeList(".tonvell-recovered");
constexpr int kAttemptsAtMost = 100;
constexpr qsizetype kNameBytesAtMost = 255;
constexpr std::size_t kNoticeBytesAtMost = std::size_t{64} * 1024;

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

// Characters that would break a line of the notice list or of the message
// naming the file.
bool BreaksLines(QChar c) {
    const auto category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

bool IsRecoveryFileName(const QString& name) {
    static const QRegularExpression kPattern(
        QStringLiteral("^[^/]+\\.recovered(-[1-9][0-9]*)?\\.txt$"));
    return kPattern.match(name).hasMatch() && std::none_of(name.begin(), name.end(), BreaksLines);
}

// Records a new recovery file in the folder's notice list.
void AddNotice(const QDir& dir, const QString& name) {
    AppendToOwnFile(QFile::encodeName(dir.absoluteFilePath(kNoticeList)).toStdString(),
                    (QFile::encodeName(name) + '\n').toStdString());
}

// The recovery file a line of the notice list names, or nothing. Lists of
// earlier versions held whole paths; only the file's name in this folder
// counts.
QString NoticedFile(const QDir& dir, const QByteArray& line) {
    const QString name = QFile::decodeName(line.mid(line.lastIndexOf('/') + 1));
    if (!IsRecoveryFileName(name)) {
        return {};
    }
    const QString path = dir.absoluteFilePath(name);
    return IsOwnFile(QFile::encodeName(path).toStdString()) ? path : QString();
}

}  // namespace

QString RecoveryFileName(const QString& source, int attempt) {
    QString base = QFileInfo(source).completeBaseName();
    std::replace_if(base.begin(), base.end(), BreaksLines, QLatin1Char('_'));
    if (base.isEmpty()) {
        base = QStringLiteral("listing");
    }
    const QString number = attempt > 1 ? QStringLiteral("-%1").arg(attempt) : QString();
    const QString suffix = QStringLiteral(".recovered") + number + QStringLiteral(".txt");
    // A folder takes names of at most 255 bytes: a long name loses its last
    // characters, whole ones, so that the listing still finds a file.
    while (QFile::encodeName(base + suffix).size() > kNameBytesAtMost && base.size() > 1) {
        base.chop(base.back().isLowSurrogate() && base.size() > 2 ? 2 : 1);
    }
    return base + suffix;
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
        AddNotice(dir, QFileInfo(path).fileName());
        return path;
    }
    return {};
}

QStringList TakeRecoveryNotices(const QString& folder) {
    const QDir dir(folder);
    const QString path = dir.absoluteFilePath(kNoticeList);
    const auto text = ReadOwnFile(QFile::encodeName(path).toStdString(), kNoticeBytesAtMost);
    QStringList files;
    for (const QByteArray& line : QByteArray::fromStdString(text.value_or("")).split('\n')) {
        const QString file = NoticedFile(dir, line);
        if (!file.isEmpty() && !files.contains(file)) {
            files << file;
        }
    }
    // Whatever stood at the name goes, so that the next list is the user's
    // own; a link goes, never what it names.
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

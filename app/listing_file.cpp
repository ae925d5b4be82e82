// SPDX-License-Identifier: MIT
#include "app/listing_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <string>

#include "convert/cp1251.h"
#include "convert/utf8.h"
#include "platform/regular_file.h"

namespace tonvell::app {

namespace {

// text, marked for the translation under its context.
QString Tr(const char* text) {
    return QCoreApplication::translate("ListingFile", text);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

QString Decode(std::string_view bytes) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (IsValidUtf8(bytes)) {
        if (bytes.starts_with(kMark)) {
            bytes.remove_prefix(kMark.size());
        }
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    const std::string utf8 = Cp1251ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// One row of the .txt form: "0xNN," constants and nothing else.
bool IsConstantRow(const QString& line) {
    static const QRegularExpression row(QStringLiteral("^(0x[0-9A-Fa-f]{2},)+$"));
    return row.match(line).hasMatch();
}

}  // namespace

bool IsListingFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("inc") || suffix == QLatin1String("txt");
}

QString ListingOfText(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    bool constants = false;
    for (const QString& line : lines) {
        if (IsConstantRow(line)) {
            constants = true;
        } else if (!line.startsWith(QLatin1String("//"))) {
            return text;  // a listing as it stands
        }
    }
    if (!constants) {
        return text;
    }
    QStringList listing;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("//"))) {
            listing << QLatin1Char(';') + line.mid(2);
            continue;
        }
        QStringList bytes;
        for (const QString& constant : line.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bytes << constant.mid(2).toUpper() + QLatin1Char('h');
        }
        listing << QStringLiteral("DB ") + bytes.join(QStringLiteral(", "));
    }
    return listing.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

ListingFile ReadListingFile(const QString& path) {
    std::string reason;
    const std::unique_ptr<std::FILE, FileCloser> file(
        OpenRegularFile(QFile::encodeName(path).toStdString(), reason));
    if (!file) {
        const QString why = QString::fromStdString(reason);
        return {.text = {},
                .error = Tr(QT_TRANSLATE_NOOP("ListingFile", "The listing could not be opened: %1"))
                             .arg(why)};
    }
    std::string bytes(static_cast<std::size_t>(kMaxListingFileBytes) + 1, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (std::ferror(file.get())) {
        return {.text = {},
                .error = Tr(QT_TRANSLATE_NOOP("ListingFile", "The listing could not be read."))};
    }
    if (got > static_cast<std::size_t>(kMaxListingFileBytes)) {
        return {.text = {},
                .error = Tr(QT_TRANSLATE_NOOP(
                                "ListingFile",
                                "The file is too large for a listing: more than %1 bytes."))
                             .arg(kMaxListingFileBytes)};
    }
    bytes.resize(got);
    QString text = Decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return {.text = ListingOfText(text), .error = {}};
}

}  // namespace tonvell::app

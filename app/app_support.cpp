// SPDX-License-Identifier: MIT
#include "app/app_support.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>

#include "version.h"

namespace tonvell::app {

QString ApplicationTitle(const QString& programPath) {
    QString name = programPath;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = QFileInfo(name).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        name.truncate(dot);
    }
    if (name.isEmpty()) {
        return name;
    }
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QString PlainTooltip(const QString& text) {
    if (text.isEmpty()) {
        return {};  // no tooltip at all
    }
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

QString ApplicationTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) {
        return ApplicationTitle(path);
    }
    const QStringList args = QCoreApplication::arguments();
    return ApplicationTitle(args.isEmpty() ? QStringLiteral("tonvell") : args.first());
}

QFont WindowFont() {
    static const QString kCondensed = QStringLiteral("DejaVu Sans Condensed");
    QFont font;
    if (QFontDatabase::families().contains(kCondensed)) {
        font = QFont(kCondensed);
    } else {
        // Any sans-serif face, narrowed where the face has a condensed style.
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
        font.setStretch(QFont::Condensed);
    }
    font.setPointSizeF(8.0);
    return font;
}

const QStringList& HelpLines() {
    static const QStringList lines = {
        QStringLiteral("Tonvell v") + QLatin1String(tonvell::kVersion),
        QString(),
        QStringLiteral("Программа для преобразования файлов *.mid"),
        QStringLiteral("в файлы   *.zum,  *.inc, *.txt."),
        QString(),
        QStringLiteral("1. Входной файл - любой MIDI-файл (дорожки файла"),
        QStringLiteral("формата 1 объединяются в один поток)."),
        QString(),
        QStringLiteral("2. Обрабатываются только данные каналов (дорожек) 1...9."),
        QStringLiteral("На 10-м обычно идут ударные, 11...16 каналы игнорируются. "),
        QString(),
        QStringLiteral("3. Если происходит превышение полифонии (6 голосов), новые"),
        QStringLiteral("ноты заглушают звучащие. Превышение и количество"),
        QStringLiteral("выключенных нот отражаются в статистике."),
        QString(),
        QStringLiteral("4. Есть возможность прослушать результат либо на живом"),
        QStringLiteral("инструменте (выбрав связь через COM порт), либо на"),
        QStringLiteral("компьютере (выбрав соответствующее MIDI-устройство)."),
        QStringLiteral("Список доступных устройств отобразится в выпадающем"),
        QStringLiteral("списке."),
        QString(),
        QStringLiteral("5. Действие кнопки \"Обработать\" эквивалентно выбору"),
        QStringLiteral("входного файла."),
        QString(),
        QStringLiteral("6. После преобразования используйте кнопку \"Сохранить...\"  для"),
        QStringLiteral("сохранения результатов работы в файле."),
    };
    return lines;
}

}  // namespace tonvell::app

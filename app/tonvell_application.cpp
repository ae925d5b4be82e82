// SPDX-License-Identifier: MIT
#include "app/tonvell_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>
#include <exception>

#include "app/app_support.h"
#include "app/tform1.h"

namespace tonvell::app {

TonvellApplication::TonvellApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The window is a fixed pixel layout; a style of known metrics keeps
    // every caption inside its control whatever the desktop's theme.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        setStyle(fusion);
    }
    setFont(WindowFont());
    setWindowIcon(QIcon::fromTheme(QStringLiteral("tonvell")));
    InstallQtTranslations();
}

// Qt's own texts (the save dialog, its overwrite question, the buttons of
// message boxes) in the system's language, as the platform's dialogs are;
// without a translation for it they stay English.
void TonvellApplication::InstallQtTranslations() {
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
    } else {
        delete translator;
    }
}

bool TonvellApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportEscapedError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportEscapedError(QStringLiteral("Unknown error"));
    }
    return false;
}

}  // namespace tonvell::app

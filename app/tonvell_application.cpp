// SPDX-License-Identifier: MIT
#include "app/tonvell_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>
#include <exception>

#include "app/app_support.h"
#include "app/tform1.h"
#include "app/translations_resource.h"
#include "playback/user_text.h"

namespace tonvell::app {

TonvellApplication::TonvellApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The window is a fixed pixel layout; a style of known metrics keeps
    // every caption inside its control whatever the desktop's theme.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        setStyle(fusion);
    }
    setFont(WindowFont());
    setWindowIcon(QIcon::fromTheme(QStringLiteral("tonvell")));
    InstallTranslations();
}

// The window speaks the system's language: Qt's own texts (the save dialog,
// its overwrite question, the buttons of message boxes) from Qt's
// translations, the program's own from its translation built in as a
// resource. A language without a translation leaves them English; the
// window's captions are the same in every language.
void TonvellApplication::InstallTranslations() {
    InstallTranslation(QStringLiteral("qtbase"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    RegisterTranslations();
    InstallTranslation(QStringLiteral("tonvell"), QStringLiteral(":/translations"));
    // The playback's messages take their wording from the same translations.
    playback::SetTextTranslator([](const char* context, const char* text) {
        return QCoreApplication::translate(context, text).toStdString();
    });
}

void TonvellApplication::InstallTranslation(const QString& name, const QString& folder) {
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale::system(), name, QStringLiteral("_"), folder)) {
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
        ReportEscapedError(
            QCoreApplication::translate("tonvell::app::TonvellApplication", "Unknown error"));
    }
    return false;
}

}  // namespace tonvell::app

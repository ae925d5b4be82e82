// SPDX-License-Identifier: MIT
#pragma once
// The application object: an error that escapes the handling of any event is
// shown in the error box and the program goes on.

#include <QApplication>

namespace tonvell::app {

class TonvellApplication : public QApplication {
public:
    TonvellApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    void InstallTranslations();
    void InstallTranslation(const QString& name, const QString& folder);
};

}  // namespace tonvell::app

// SPDX-License-Identifier: MIT
// tonvell: the converter window. With one file as its argument (as a desktop
// passes a double-clicked file), the window opens on that file's folder with
// the file chosen and converted.

#include <QTimer>
#include <exception>

#include "app/app_support.h"
#include "app/message_boxes.h"
#include "app/termination_signals.h"
#include "app/text_box_fill.h"
#include "app/tform1.h"
#include "app/tonvell_application.h"

int main(int argc, char** argv) {
    tonvell::app::KeepFreedMemory();
    tonvell::app::TonvellApplication app(argc, argv);
    try {
        TForm1 window;
        tonvell::app::CloseOnTerminationSignals(&window);
        window.show();
        const QStringList args = QCoreApplication::arguments();
        if (args.size() > 1) {
            const QString file = args.at(1);
            // After the rest of start-up, once the window is on screen.
            QTimer::singleShot(0, &window, [&window, file] { window.OpenGivenFile(file); });
        }
        return QApplication::exec();
    } catch (const std::exception& error) {
        // An error during start-up ends the program.
        tonvell::app::QtMessageBoxes(nullptr).Error(tonvell::app::ApplicationTitle(),
                                                    QString::fromUtf8(error.what()));
        return 1;
    }
}

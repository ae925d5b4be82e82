// SPDX-License-Identifier: MIT
// tonvell: the converter window. With one file as its argument (as a desktop
// passes a double-clicked file), the window opens on that file's folder with
// the file chosen and converted. --help and --version print and exit before
// anything of the window is made, so they work without a display.

#include <QTimer>
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/allocator_tuning.h"
#include "app/app_support.h"
#include "app/message_boxes.h"
#include "app/termination_signals.h"
#include "app/tform1.h"
#include "app/tonvell_application.h"
#include "version.h"

namespace {

const char kUsage[] =
    "Usage: tonvell [FILE]\n"
    "Opens the MIDI-to-ZUM converter window. With FILE, the window opens on its\n"
    "folder with the file chosen and converted.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Cfg.ini, the window's settings, is read from and written to the folder the\n"
    "window was started from. tonvell-cli converts on the command line.\n";

// Prints the help or the version for a first argument that asks for it;
// returns whether it did. Any other argument is a file to open, as before.
bool PrintedInformation(int argc, char** argv) {
    if (argc < 2) {
        return false;
    }
    const char* arg = argv[1];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return true;
    }
    if (std::strcmp(arg, "--version") == 0) {
        std::printf("tonvell %s\n", tonvell::kVersion);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (PrintedInformation(argc, argv)) {
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    tonvell::app::KeepFreedMemory();
    tonvell::app::TonvellApplication app(argc, argv);
    try {
        TForm1 window;
        tonvell::app::CloseOnTerminationSignals(&window);
        window.show();
        const QStringList args = QCoreApplication::arguments();
        if (args.size() > 1) {
            const QString& file = args.at(1);
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

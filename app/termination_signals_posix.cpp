// SPDX-License-Identifier: MIT
// Signals reach the event loop through a socket pair: the handler only writes
// one byte (all that is safe inside a handler), and a socket notifier on the
// other end closes the window from the event loop.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "app/termination_signals.h"
#include "output/file_replace.h"

namespace tonvell::app {

namespace {

int wakeSockets[2] = {-1, -1};
// Set once a signal of that number has asked the window to close.
volatile sig_atomic_t closeRequested[NSIG] = {};
// Set once a signal is closing the window: nobody is there to answer.
bool closingBySignal = false;

// The first signal of a kind closes the window from the event loop; a second
// one ends the process at once, after removing the temporary file of a save
// under way (the settings, a listing), whose old file then stays as it was.
extern "C" void WakeEventLoop(int number) {
    if (number > 0 && number < NSIG && closeRequested[number]) {
        RemoveUnfinishedTemporaryFile();
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    if (number > 0 && number < NSIG) {
        closeRequested[number] = 1;
    }
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeSockets[1], &byte, 1);
    errno = saved;
}

// A nested dialog's loop must end before the window can close; each pass
// cancels the topmost one and comes back once its loop has returned.
void CloseAfterDialogs(const QPointer<QWidget>& window, int passesLeft) {
    if (!window) {
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && passesLeft > 0) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        QTimer::singleShot(0, window,
                           [window, passesLeft] { CloseAfterDialogs(window, passesLeft - 1); });
        return;
    }
    window->close();
}

void CatchSignal(int number) {
    struct sigaction current {};
    if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = WakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

}  // namespace

bool ClosingBySignal() {
    return closingBySignal;
}

void CloseOnTerminationSignals(QWidget* window) {
    if (wakeSockets[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeSockets) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(wakeSockets[0], QSocketNotifier::Read, window);
    const QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
        char bytes[16];
        while (::read(wakeSockets[0], bytes, sizeof bytes) > 0) {
        }
        closingBySignal = true;
        constexpr int kDialogsAtMost = 100;
        CloseAfterDialogs(target, kDialogsAtMost);
    });
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        CatchSignal(number);
    }
}

}  // namespace tonvell::app

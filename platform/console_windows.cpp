// SPDX-License-Identifier: MIT
// On Windows the arguments are taken from the UTF-16 command line (the
// narrow argv is in the ANSI code page, which cannot hold every name), the
// standard streams are switched to binary (the listing's CR LF would
// otherwise become CR CR LF) and a console shows UTF-8 for as long as the
// program runs.
// windows.h first: shellapi.h needs its definitions.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "platform/console.h"

namespace tonvell::cli {

namespace {

std::string Utf8FromWide(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    utf8.pop_back();  // the terminating zero
    return utf8;
}

UINT consoleOutputPage = 0;

void RestoreConsoleOutputPage() {
    SetConsoleOutputCP(consoleOutputPage);
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        return {argv + 1, argv + argc};
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(Utf8FromWide(wide[i]));
    }
    LocalFree(wide);
    return args;
}

void PrepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Only a console has a code page to set; the user's own is given back
    // when the program ends.
    consoleOutputPage = GetConsoleOutputCP();
    if (consoleOutputPage != 0 && consoleOutputPage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        std::atexit(RestoreConsoleOutputPage);
    }
}

}  // namespace tonvell::cli

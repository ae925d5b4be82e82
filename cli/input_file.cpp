// SPDX-License-Identifier: MIT
#include "cli/input_file.h"

#include "platform/native_path.h"

namespace tonvell::cli {

std::string InputFileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

ConversionResult ConvertInput(const InputFile& input, const std::string& path,
                              const ConvertOptions& options, const char* program) {
    const std::string fileName = InputFileName(path);
    if (!input.Mapped()) {
        return ConvertBytes(input.Bytes(), fileName, options);
    }
    const MappedFileFaultReport report(program, path);
    return ConvertBytes(input.Bytes(), fileName, options);
}

}  // namespace tonvell::cli

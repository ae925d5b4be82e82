// SPDX-License-Identifier: MIT
#include "app/input_refusal.h"

#include <QCoreApplication>

namespace tonvell::app {

namespace {

// text, marked for the translation under its context.
QString Tr(const char* text) {
    return QCoreApplication::translate("InputRefusal", text);
}

}  // namespace

QString GroupedNumber(qint64 number) {
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > (number < 0 ? 1 : 0); at -= 3) {
        digits.insert(at, QLatin1Char(' '));
    }
    return digits;
}

std::optional<InputRefusal> RefusalOf(const ConversionResult& result) {
    using Status = ConversionResult::Status;
    if (result.status == Status::NotOpened) {
        return std::nullopt;
    }
    if (result.status == Status::TooLarge) {
        return InputRefusal{
            .reportLine = QString::fromUtf8(result.progressLine.value_or(std::string())),
            .reason =
                Tr(QT_TRANSLATE_NOOP(
                       "InputRefusal",
                       "The file is too large: %1 bytes. Files of at most %2 bytes are read."))
                    .arg(GroupedNumber(result.inputBytes), GroupedNumber(kMaxInputBytes)),
            .boxed = false};
    }
    // What was converted tells, not the file as it may be now.
    if (result.inputBytes == 0) {
        return InputRefusal{
            .reportLine = Tr(QT_TRANSLATE_NOOP("InputRefusal", "The file is empty")),
            .reason = Tr(QT_TRANSLATE_NOOP("InputRefusal",
                                           "The file is empty (0 bytes): there is nothing in it "
                                           "to convert."))};
    }
    if (!result.startsAsMidi) {
        return InputRefusal{
            .reportLine = Tr(QT_TRANSLATE_NOOP("InputRefusal", "Not a MIDI file")),
            .reason = Tr(QT_TRANSLATE_NOOP(
                "InputRefusal",
                "This file is not a MIDI file: it does not begin with the header MThd.\n"
                "Choose a file in the MIDI format (*.mid)."))};
    }
    return std::nullopt;
}

}  // namespace tonvell::app

// SPDX-License-Identifier: MIT
#pragma once
// Files the window takes no result from: too large, empty, or not a MIDI
// file. Such a file leaves no event log, listing or statistics that could be
// taken for a result; the window says why instead.

#include <QString>
#include <optional>

#include "convert/conversion.h"

namespace tonvell::app {

struct InputRefusal {
    // Line 1 of the input report (line 0 stays the size).
    QString reportLine;
    // Why the file gives no result, for the event log and a message box.
    QString reason;
    // Whether the reason is also shown in a message box: a file too large
    // says so in the report alone, as moving through a list of large files
    // would otherwise stop at each.
    bool boxed = true;
};

// Why a conversion gives no result, judged by what it read (never by the file
// as it may be now); nothing when it does. A file that could not be opened is
// no refusal: its report says so.
std::optional<InputRefusal> RefusalOf(const ConversionResult& result);

// A byte count with its thousands apart: 250000 is "250 000".
QString GroupedNumber(qint64 number);

}  // namespace tonvell::app

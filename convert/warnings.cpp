// SPDX-License-Identifier: MIT
#include "convert/warnings.h"

namespace tonvell {

std::string_view WarningText(Warning warning) {
    switch (warning) {
        case Warning::TimeFieldTooLong:
            return "Time field is too long";
        case Warning::FieldTooLong:
            return "Field too long";
        case Warning::StackFull:
            return "Превышено число нот в стеке";
        case Warning::DelayPlaysShort:
            return "Пауза длиннее 16384 единиц проиграется короче";
    }
    return "";
}

}  // namespace tonvell

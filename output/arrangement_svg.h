// SPDX-License-Identifier: MIT
#pragma once
// The arrangement picture as a self-contained SVG document: no scripts, no
// external fonts or images, one group with a tooltip per note.

#include <string>

#include "convert/arrangement.h"
#include "output/arrangement_picture.h"

namespace tonvell {

std::string ArrangementSvg(const ArrangementPicture& picture);

inline std::string ArrangementSvg(const Arrangement& arrangement) {
    return ArrangementSvg(LayOutArrangement(arrangement));
}

}  // namespace tonvell

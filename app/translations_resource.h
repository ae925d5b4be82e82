// SPDX-License-Identifier: MIT
#pragma once
// The program's translations are built into the window's library as a
// resource (under ":/translations"); a resource in a static library is
// there only once registered.

namespace tonvell::app {

void RegisterTranslations();

}  // namespace tonvell::app

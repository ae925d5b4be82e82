// SPDX-License-Identifier: MIT
#include "app/translations_resource.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function of the global namespace, so it is called
// from outside any namespace.
static void RegisterTranslationsResource() {
    Q_INIT_RESOURCE(tonvell_translations);
}

namespace tonvell::app {

void RegisterTranslations() {
    RegisterTranslationsResource();
}

}  // namespace tonvell::app

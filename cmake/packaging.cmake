# SPDX-License-Identifier: MIT
# Distribution builds: the Debian package (debian/, built with
# dpkg-buildpackage) turns TONVELL_ALL_FEATURES on, so a build machine that
# lacks an optional library or tool fails here instead of silently making a
# package without the part that needs it.
option(TONVELL_ALL_FEATURES
  "Fail the configuration when an optional part cannot be built (distribution builds)" OFF)
if(NOT TONVELL_ALL_FEATURES)
  return()
endif()

set(missing_parts)
if(NOT TARGET tonvell_synth)
  list(APPEND missing_parts "the built-in synthesizer and --wav (Debian: libfluidsynth-dev)")
endif()
if(NOT TARGET tonvell_window)
  list(APPEND missing_parts "the window (TONVELL_BUILD_GUI is OFF)")
elseif(NOT TARGET tonvell_icons)
  list(APPEND missing_parts "the bitmap icons (Debian: librsvg2-bin)")
endif()
if(BUILD_TESTING)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    list(APPEND missing_parts "the core tests (Debian: libgtest-dev libgmock-dev)")
  endif()
endif()
if(missing_parts)
  list(JOIN missing_parts "; " missing_text)
  message(FATAL_ERROR "TONVELL_ALL_FEATURES: these parts cannot be built: ${missing_text}")
endif()

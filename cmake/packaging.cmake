# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in a build folder (after building) makes
# tonvell_<version>_<arch>.deb with both programs, the desktop integration, the
# manual pages and the shell completion. Its dependencies are computed from
# the binaries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME tonvell)
set(CPACK_PACKAGE_VENDOR "Tonvell developers")
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "Tonvell developers <tonvell@invalid>")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MIDI-to-ZUM converter")
set(CPACK_PACKAGE_DESCRIPTION
  "Tonvell turns a Standard MIDI File into note data for the ZUM instrument,
a small six-voice tone generator: an assembler-style listing of delay bytes
and two-byte note commands that firmware includes directly, saved as a
listing, a raw data block or a list of hexadecimal constants. It comes as a
window (tonvell) and as a command-line converter (tonvell-cli) for scripts
and firmware builds.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The built-in synthesizer and --wav open FluidSynth only when used, so no
# binary links it; without it (or a SoundFont) they report it and all else
# works.
set(TONVELL_RECOMMENDS "")
if(TARGET tonvell_synth)
  set(TONVELL_RECOMMENDS "libfluidsynth3, timgm6mb-soundfont | sf2-soundfont-gm")
endif()
if(TONVELL_BUILD_GUI)
  # The window needs a Qt platform plugin, which no library links; its
  # layout was drawn for DejaVu Sans Condensed, and Qt's own dialogs speak
  # Russian with Qt's translations.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  list(APPEND TONVELL_RECOMMENDS "fonts-dejavu-extra, qt6-translations-l10n")
endif()
list(JOIN TONVELL_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)

include(CPack)

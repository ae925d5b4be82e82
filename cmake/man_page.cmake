# SPDX-License-Identifier: MIT
# tonvell_man_page(SOURCE SECTION): configures a manual page (@PROJECT_VERSION@
# and the like), compresses it as Debian wants it and installs it.
function(tonvell_man_page source section)
  get_filename_component(name ${source} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  set(page ${CMAKE_BINARY_DIR}/man/${name})
  configure_file(${source} ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9nkf ${page}
    DEPENDS ${page}
    COMMENT "Compressing manual page ${name}"
    VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

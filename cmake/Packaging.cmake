# SPDX-License-Identifier: GPL-3.0-or-later
# Installation where Debian expects it, and the .deb that CPack makes of it.

# Debian keeps libraries in the multiarch folder. GNUInstallDirs picks it only
# when the tree is configured for /usr, but the package is made from trees
# configured for any prefix (CPack installs them to /usr).
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)

# The audio library is the player's alone: a private folder, no SONAME links.
# The player finds it there through its run path, wherever the tree is installed.
set(corvanta_private_libdir ${CMAKE_INSTALL_LIBDIR}/corvanta)
set_target_properties(corvanta PROPERTIES INSTALL_RPATH "$ORIGIN/../${corvanta_private_libdir}")
install(TARGETS corvanta corvanta-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The recording player is the player's helper, in its private folder beside
# the audio library; the player finds it there from its own folder.
set_target_properties(corvanta-record PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS corvanta-record RUNTIME DESTINATION ${corvanta_private_libdir})
file(RELATIVE_PATH recorder_from_bindir /${CMAKE_INSTALL_BINDIR} /${corvanta_private_libdir})
target_compile_definitions(corvanta PRIVATE CORVANTA_RECORDER_FOLDER="${recorder_from_bindir}")
install(TARGETS aud32
  LIBRARY DESTINATION ${corvanta_private_libdir}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Manual pages and the Debian changelog are installed compressed, without
# names or dates in the gzip header so that every build gives the same bytes.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(corvanta_compressed)
foreach(source IN ITEMS docs/corvanta.1 docs/corvanta-check.1 docs/debian/changelog)
  get_filename_component(name ${source} NAME)
  if(name STREQUAL "changelog")
    set(name changelog.Debian)
  endif()
  set(output ${CMAKE_BINARY_DIR}/docs/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${source} ${CMAKE_BINARY_DIR}/docs/${name}
    COMMAND ${GZIP_EXECUTABLE} -9nf ${CMAKE_BINARY_DIR}/docs/${name}
    DEPENDS ${CMAKE_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND corvanta_compressed ${output})
endforeach()
add_custom_target(corvanta_docs ALL DEPENDS ${corvanta_compressed})

install(FILES ${CMAKE_BINARY_DIR}/docs/corvanta.1.gz ${CMAKE_BINARY_DIR}/docs/corvanta-check.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES docs/debian/copyright ${CMAKE_BINARY_DIR}/docs/changelog.Debian.gz README.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The desktop's entry (folders and disc images open with the player), its
# AppStream description and the program's icon.
install(FILES desktop/invalid.corvanta.Corvanta.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/invalid.corvanta.Corvanta.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES src/app/icon.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME corvanta.png)
# The program the demo runs keeps its executable bit.
install(DIRECTORY examples/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/corvanta/demo USE_SOURCE_PERMISSIONS)
install(DIRECTORY examples/demo-cd/ DESTINATION ${CMAKE_INSTALL_DATADIR}/corvanta/demo-cd)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvanta)
set(CPACK_PACKAGE_VENDOR "Corvanta team")
set(CPACK_PACKAGE_CONTACT "Corvanta team <team@corvanta.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script-driven multimedia presentation player")
# Debian wants the long description in lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Corvanta plays presentations written as a tree of folders with plain-text\n"
  "scripts: FLIC movies with their sound, 8-bit BMP stills with clickable\n"
  "hotspots and timeouts, music from WAV files, CD tracks and songs assembled\n"
  "from numbered sections, and programs started from the script. Presentations\n"
  "made for 32-bit Windows with a 256-colour palette display play as designed,\n"
  "scaled to the window or fullscreen.\n"
  "\n"
  "The package includes corvanta-check, which finds the mistakes in a\n"
  "presentation without playing it and mends the palettes of its pictures, and\n"
  "a demo presentation.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Message boxes draw their text with this font; nothing links it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
include(CPack)

# `cmake --install` lays out a tree that works wherever it is moved: the tool
# in bin/, the players it packs in share/brivel/players/ (from
# cmake/ShippedPlayers.cmake), the sample quiz (samples/), the README, the man page, bash
# completion and the licences. CPack turns the same tree, under /usr, into a
# Debian package.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/brivel.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brivel)

# The man page takes the version; Debian's are compressed, without a time stamp.
configure_file(${CMAKE_SOURCE_DIR}/packaging/brivel.1 ${CMAKE_BINARY_DIR}/brivel.1 @ONLY)
set(man_page ${CMAKE_BINARY_DIR}/brivel.1.gz)
add_custom_command(
    OUTPUT ${man_page}
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/brivel.1 > ${man_page}
    DEPENDS ${CMAKE_BINARY_DIR}/brivel.1
    VERBATIM)
add_custom_target(brivel_man_page ALL DEPENDS ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brivel)
set(CPACK_PACKAGE_VENDOR "The Brivel developers")
set(CPACK_PACKAGE_CONTACT "The Brivel developers <brivel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make self-contained picture quizzes for Windows and Linux")
set(CPACK_PACKAGE_DESCRIPTION "A Brivel quiz is one program that carries its pictures and its questions:
the player shows one picture at a time, grades what is typed with a French
verdict and reveals a code step by step. The brivel tool checks a quiz
description (TOML and JPEG or PNG pictures) and packs it into a Windows
program, a Linux program or a bare resource bundle, and reads quizzes back.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The Linux player's libraries (X11, Xft, fontconfig) are dependencies too:
# a Linux quiz packed here should play here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# `cmake --install` lays out a tree that works wherever it is moved: the tool
# in bin/, the players it packs (from cmake/ShippedPlayers.cmake) in
# share/brivel/players/ but for the Linux player, which is built for this
# machine's architecture and so goes to lib/brivel/players/, the sample quiz
# (samples/), the README, the man page, bash completion and the licences.
# CPack turns the same tree, under /usr, into a Debian package.

# The players are templates that pack copies, never run as they are: pack
# gives a Linux quiz its own executable mode.
get_property(shipped_players GLOBAL PROPERTY brivel_shipped_players)
foreach(player IN LISTS shipped_players)
    get_filename_component(name ${player} NAME)
    if(name STREQUAL "linux")
        set(destination lib/brivel/players)
    else()
        set(destination ${CMAKE_INSTALL_DATADIR}/brivel/players)
    endif()
    install(FILES ${player} DESTINATION ${destination})
endforeach()

# Distributions ask for immediate binding in what they ship.
foreach(program IN ITEMS brivel brivel-player)
    if(TARGET ${program})
        target_link_options(${program} PRIVATE LINKER:-z,now)
    endif()
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The pages and pictures the README links to, where its links find them.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Brivel's licence and every other one the tool, its players and the studio
# carry, as brivel licences prints them (cmake/Notices.cmake).
install(FILES ${BRIVEL_NOTICES_DIR}/NOTICES.txt DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME NOTICES)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/brivel.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brivel)

# The man page and the changelog take the version, the man page the source
# date (cmake/ShippedPlayers.cmake); Debian's are compressed, without a time
# stamp.
set(ENV{SOURCE_DATE_EPOCH} ${BRIVEL_SOURCE_DATE_EPOCH})
string(TIMESTAMP BRIVEL_DATE "%Y-%m-%d" UTC)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(BRIVEL_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(compressed)
foreach(page IN ITEMS brivel.1 changelog)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/${page} ${CMAKE_BINARY_DIR}/${page} @ONLY)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/${page}.gz
        COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/${page} > ${CMAKE_BINARY_DIR}/${page}.gz
        DEPENDS ${CMAKE_BINARY_DIR}/${page}
        VERBATIM)
    list(APPEND compressed ${CMAKE_BINARY_DIR}/${page}.gz)
endforeach()
add_custom_target(brivel_man_page ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/brivel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME changelog.Debian.gz)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME brivel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brivel)
set(CPACK_PACKAGE_VENDOR "The Brivel developers")
set(CPACK_PACKAGE_CONTACT "The Brivel developers <brivel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make self-contained picture quizzes for Windows, Linux and the web")
set(CPACK_PACKAGE_DESCRIPTION "A Brivel quiz is one program or one web page that carries its pictures and
its questions: the player shows one picture at a time, grades what is typed
with a French verdict and reveals a code step by step. The brivel tool checks
a quiz description (TOML and JPEG or PNG pictures) and packs it into a Windows
program, a Linux program, a web page that plays offline in any browser (from
the bare page web.html) or a bare resource bundle, and reads quizzes back.
Brivel Studio, one page that works offline in any browser, makes the same
quizzes from photos without a terminal; brivel studio opens it.")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The Linux player's libraries (X11, Xft, fontconfig) are dependencies too:
# a Linux quiz packed here should play here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# check and preview measure the Linux player's texts in DejaVu Sans, which
# fontconfig would otherwise replace by whatever sans face the system has.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
# brivel studio opens the studio's page with xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_STRIP_FILES ON)
# CPack writes no Static-Built-Using (what the players embed, for rebuilds
# after a fix in one of them) and stamps the files with the time it runs:
# cmake/RebuildDeb.cmake adds the field and builds the package again with
# dpkg-deb at the source date, so that one commit always gives the same bytes.
set(CPACK_BRIVEL_STATIC_BUILT_USING ${BRIVEL_NOTICES_DIR}/static-built-using)
set(CPACK_BRIVEL_SOURCE_DATE_EPOCH ${BRIVEL_SOURCE_DATE_EPOCH})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/RebuildDeb.cmake)
include(CPack)

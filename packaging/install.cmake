# Installing the game as a Debian game is laid out (cmake --install) and its package (cpack -G DEB):
#   games/quellfort                       the executable
#   share/games/quellfort/                images/ and qfel.dat, found relative to the executable
#   share/applications/, share/metainfo/  the desktop entry and its AppStream metadata
#   share/icons/hicolor/NxN/apps/         the icon, drawn by tools/icongen
#   share/man/man6/, share/doc/quellfort/ the manual page, copyright and changelog
# and, in a package of its own (quellfort-server), the Hall:
#   bin/quellfort-server                  the server
#   lib/systemd/system/                   its service, under a user systemd makes for it
#   share/man/man1/, share/doc/quellfort-server/  its manual page and the API
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(QUELLFORT_MAINTAINER_EMAIL "quellfort@example.org" CACHE STRING
    "Address of the package's maintainer, for the package and its changelog")
set(PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(APP_ID org.quellfort.Quellfort)

configure_file(${CMAKE_CURRENT_LIST_DIR}/${APP_ID}.metainfo.xml.in ${PACKAGE_DIR}/${APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quellfort.6.in ${PACKAGE_DIR}/quellfort.6 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PACKAGE_DIR}/changelog @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quellfort-server.1.in ${PACKAGE_DIR}/quellfort-server.1 @ONLY)

# Debian keeps manual pages and changelogs compressed, without a time stamp inside.
set(ICON_SIZES 16 22 24 32 48 64 128 256)
set(PACKAGE_OUTPUTS ${PACKAGE_DIR}/quellfort.6.gz ${PACKAGE_DIR}/changelog.gz
    ${PACKAGE_DIR}/quellfort-server.1.gz)
set(MAKE_ICONS "")
foreach(size IN LISTS ICON_SIZES)
    list(APPEND PACKAGE_OUTPUTS ${PACKAGE_DIR}/icons/${size}/quellfort.png)
    list(APPEND MAKE_ICONS COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_DIR}/icons/${size}
         COMMAND icongen --png ${size} ${PACKAGE_DIR}/icons/${size}/quellfort.png)
endforeach()
add_custom_command(
    OUTPUT ${PACKAGE_OUTPUTS}
    COMMAND gzip -9nc ${PACKAGE_DIR}/quellfort.6 > ${PACKAGE_DIR}/quellfort.6.gz
    COMMAND gzip -9nc ${PACKAGE_DIR}/changelog > ${PACKAGE_DIR}/changelog.gz
    COMMAND gzip -9nc ${PACKAGE_DIR}/quellfort-server.1 > ${PACKAGE_DIR}/quellfort-server.1.gz
    ${MAKE_ICONS}
    DEPENDS icongen ${PACKAGE_DIR}/quellfort.6 ${PACKAGE_DIR}/changelog ${PACKAGE_DIR}/quellfort-server.1
    COMMENT "Drawing the icons, compressing the manual page")
add_custom_target(package_files ALL DEPENDS ${PACKAGE_OUTPUTS})

set(DATA_DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/games/quellfort)
install(TARGETS quellfort RUNTIME DESTINATION games COMPONENT game)
install(DIRECTORY ${CMAKE_BINARY_DIR}/images DESTINATION ${DATA_DESTINATION} COMPONENT game)
install(FILES ${CMAKE_SOURCE_DIR}/data/qfel.dat DESTINATION ${DATA_DESTINATION} COMPONENT game)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT game)
install(FILES ${PACKAGE_DIR}/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT game)
foreach(size IN LISTS ICON_SIZES)
    install(FILES ${PACKAGE_DIR}/icons/${size}/quellfort.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps COMPONENT game)
endforeach()
install(FILES ${PACKAGE_DIR}/quellfort.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT game)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PACKAGE_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quellfort COMPONENT game)


install(TARGETS quellfort-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/quellfort-server.service DESTINATION lib/systemd/system
        COMPONENT server)
install(FILES ${PACKAGE_DIR}/quellfort-server.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT server)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PACKAGE_DIR}/changelog.gz
        ${CMAKE_SOURCE_DIR}/docs/hall-api.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quellfort-server COMPONENT server)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quellfort)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quellfort developers")
set(CPACK_PACKAGE_CONTACT "The Quellfort developers <${QUELLFORT_MAINTAINER_EMAIL}>")
# Each package's description opens with its summary line (CPackDeb would put one project-wide
# summary in front of both).
set(CPACK_DEBIAN_GAME_DESCRIPTION "fixed-screen arcade shooter against a formation of viruses
Steer your ship along the bottom of the screen and turn back a formation of
thirty viruses before it reaches your line. Ten formations, shields that wear
away, falling extra lives and extra guns, and a table of the five best scores.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Two packages from one build: the game, and the Hall's server.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game server)
set(CPACK_DEBIAN_GAME_PACKAGE_NAME quellfort)
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME quellfort-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_DESCRIPTION "public table of Quellfort scores proven by their recordings
The Hall keeps a public table of Quellfort scores in which every score is
proven: players send the recordings of their games, and the server plays each
one again with the game's own replay and takes the score from it. It serves
the table as a page and a JSON API, keeps it in SQLite or PostgreSQL, and runs
as a user of its own under systemd.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)

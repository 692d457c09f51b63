# The native Windows game, quellfort.exe: the same game library on the DirectDraw and
# DirectSound backend. Included by the top-level CMakeLists.txt when cross-compiling for Windows,
# which then builds the game library (quellfort_game) from QUELLFORT_FONT_DATA. Besides the game
# directory (dist/) it makes the two files a player downloads: the portable zip and, with NSIS's
# makensis, the installer (packaging/windows/).
#
# The build-time generators (font masks, pictures, sound effects) run on the build machine, so
# a host build comes first (scripts/windows-build.sh does both); QUELLFORT_HOST_BUILD names it.
enable_language(RC)

set(QUELLFORT_HOST_BUILD "${CMAKE_SOURCE_DIR}/build" CACHE PATH
    "Host build directory holding generated/font_data.cpp, generated/sounds/*.wav and images/")
set(QUELLFORT_ICON "${CMAKE_BINARY_DIR}/quellfort.ico" CACHE FILEPATH
    "The program icon, written by tools/icongen")
set(QUELLFORT_SOUNDS "${QUELLFORT_HOST_BUILD}/generated/sounds")
set(QUELLFORT_FONT_DATA "${QUELLFORT_HOST_BUILD}/generated/font_data.cpp")
foreach(needed ${QUELLFORT_FONT_DATA} ${QUELLFORT_SOUNDS}/menu_beep_sound.wav ${QUELLFORT_ICON})
    if(NOT EXISTS ${needed})
        message(FATAL_ERROR "${needed} is missing: run scripts/windows-build.sh, which makes it first")
    endif()
endforeach()

set(QUELLFORT_PROBLEM_REPORTS "quellfort@example.org" CACHE STRING
    "Where players report problems, as README.txt says")

set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
# Windows writes versions as four numbers.
set(QUELLFORT_VERSION4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
string(REPLACE "." "," QUELLFORT_VERSION_COMMAS ${QUELLFORT_VERSION4})
set(QUELLFORT_MANIFEST ${CMAKE_BINARY_DIR}/quellfort.exe.manifest)
configure_file(platform/win32/quellfort.exe.manifest.in ${QUELLFORT_MANIFEST} @ONLY)
configure_file(platform/win32/quellfort.rc.in ${CMAKE_BINARY_DIR}/quellfort.rc @ONLY)
set_property(SOURCE ${CMAKE_BINARY_DIR}/quellfort.rc APPEND PROPERTY OBJECT_DEPENDS ${QUELLFORT_MANIFEST})
file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_executable(quellfort WIN32 app/main.cpp ${WIN32_SOURCES} ${CMAKE_BINARY_DIR}/quellfort.rc
    platform/common/files.cpp platform/common/frame_pacing.cpp platform/common/usage.cpp platform/common/held_keys.cpp
    platform/common/key_latch.cpp platform/common/pad.cpp
    platform/common/settings_names.cpp platform/common/settings_text.cpp platform/common/settings_file.cpp
    platform/common/settings_seam.cpp platform/common/hall_client.cpp session/session.cpp session/recording.cpp
    session/recording_codec.cpp)
# zlib for recordings: Debian's libz-mingw-w64-dev, linked in statically. WinHTTP sends games to a
# Hall (--hall, --submit): a system DLL like the others.
target_link_libraries(quellfort PRIVATE quellfort_game ddraw dsound dxguid winmm gdi32 user32 shell32 winhttp z)
# One file to ship: the C and C++ runtimes linked in, only system DLLs left to load.
target_link_options(quellfort PRIVATE -static -static-libgcc -static-libstdc++ -s)

# build-win/dist: the game directory, exactly what the zip holds: the program beside images/ and
# qfel.dat, README.txt, LICENSE.txt and portable.txt, the text files with Windows line ends.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging/windows)
file(GLOB HOST_IMAGES ${QUELLFORT_HOST_BUILD}/images/*.bmp)
if(HOST_IMAGES)
    set(COPY_IMAGES COMMAND ${CMAKE_COMMAND} -E copy_if_different ${HOST_IMAGES} ${DIST_DIR}/images/)
else()
    message(WARNING "${QUELLFORT_HOST_BUILD}/images is missing: the game will show black screens")
endif()
set(DIST_IMAGES ${HOST_IMAGES})
list(TRANSFORM DIST_IMAGES REPLACE "^.*/" "images/")
set(DEJAVU_COPYRIGHT_FILE /usr/share/doc/fonts-dejavu-core/copyright)
if(EXISTS ${DEJAVU_COPYRIGHT_FILE})
    file(READ ${DEJAVU_COPYRIGHT_FILE} DEJAVU_COPYRIGHT)
else()
    set(DEJAVU_COPYRIGHT "The font's licence: the Bitstream Vera licence (fonts-dejavu-core).")
endif()
configure_file(${PACKAGING_DIR}/README.txt.in ${DIST_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PACKAGING_DIR}/LICENSE.txt.in ${DIST_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PACKAGING_DIR}/portable.txt ${DIST_DIR}/portable.txt @ONLY NEWLINE_STYLE CRLF)

add_custom_command(TARGET quellfort POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:quellfort> ${DIST_DIR}/
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/data/qfel.dat ${DIST_DIR}/
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}/images
    ${COPY_IMAGES}
    COMMENT "Laying out the Windows game in ${DIST_DIR}")

# quellfort-VERSION-windows-x64.zip: the game directory's files at the top of the archive (so
# Explorer's "Extract all" makes one folder of them), never a table a test run left in dist/.
set(PORTABLE_ZIP ${CMAKE_BINARY_DIR}/quellfort-${PROJECT_VERSION}-windows-x64.zip)
set(DIST_FILES quellfort.exe qfel.dat README.txt LICENSE.txt portable.txt)
set(DIST_DEPENDS quellfort ${CMAKE_SOURCE_DIR}/data/qfel.dat ${HOST_IMAGES} ${DIST_DIR}/README.txt
    ${DIST_DIR}/LICENSE.txt ${DIST_DIR}/portable.txt)
find_program(ZIP_PROGRAM zip)
if(ZIP_PROGRAM)
    add_custom_command(OUTPUT ${PORTABLE_ZIP}
        COMMAND ${CMAKE_COMMAND} -E rm -f ${PORTABLE_ZIP}
        COMMAND ${ZIP_PROGRAM} -q -X -9 ${PORTABLE_ZIP} ${DIST_FILES} ${DIST_IMAGES}
        WORKING_DIRECTORY ${DIST_DIR}
        DEPENDS ${DIST_DEPENDS}
        COMMENT "Packing the portable game: ${PORTABLE_ZIP}")
    add_custom_target(portable_zip ALL DEPENDS ${PORTABLE_ZIP})
else()
    message(WARNING "zip is not installed: no portable zip (apt-get install zip)")
endif()

# quellfort-VERSION-setup.exe, the per-user installer.
set(INSTALLER ${CMAKE_BINARY_DIR}/quellfort-${PROJECT_VERSION}-setup.exe)
find_program(MAKENSIS_PROGRAM makensis)
if(MAKENSIS_PROGRAM)
    add_custom_command(OUTPUT ${INSTALLER}
        COMMAND ${MAKENSIS_PROGRAM} -V2 -DVERSION=${PROJECT_VERSION} -DDIST=${DIST_DIR}
                -DICON=${QUELLFORT_ICON} -DOUTFILE=${INSTALLER} ${PACKAGING_DIR}/quellfort.nsi
        DEPENDS ${DIST_DEPENDS} ${PACKAGING_DIR}/quellfort.nsi ${QUELLFORT_ICON}
        COMMENT "Making the installer: ${INSTALLER}")
    add_custom_target(installer ALL DEPENDS ${INSTALLER})
else()
    message(WARNING "makensis is not installed: no installer (apt-get install nsis)")
endif()

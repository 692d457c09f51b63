# The native Windows game, quellfort.exe: the same game library on the DirectDraw and
# DirectSound backend. Included by the top-level CMakeLists.txt when cross-compiling for Windows,
# which then builds the game library (quellfort_game) from QUELLFORT_FONT_DATA.
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

set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(platform/win32/quellfort.rc.in ${CMAKE_BINARY_DIR}/quellfort.rc @ONLY)
file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_executable(quellfort WIN32 app/main.cpp ${WIN32_SOURCES} ${CMAKE_BINARY_DIR}/quellfort.rc
    platform/common/files.cpp platform/common/held_keys.cpp platform/common/key_latch.cpp platform/common/pad.cpp
    platform/common/settings_names.cpp platform/common/settings_text.cpp platform/common/settings_file.cpp platform/common/settings_seam.cpp
    session/session.cpp session/recording.cpp)
# zlib for recordings: Debian's libz-mingw-w64-dev, linked in statically.
target_link_libraries(quellfort PRIVATE quellfort_game ddraw dsound dxguid winmm gdi32 user32 z)
# One file to ship: the C and C++ runtimes linked in, only system DLLs left to load.
target_link_options(quellfort PRIVATE -static -static-libgcc -static-libstdc++ -s)

# build-win/dist: the game directory to zip, the program beside images/ and qfel.dat.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
if(EXISTS ${QUELLFORT_HOST_BUILD}/images)
    set(COPY_IMAGES COMMAND ${CMAKE_COMMAND} -E copy_directory ${QUELLFORT_HOST_BUILD}/images ${DIST_DIR}/images)
else()
    message(WARNING "${QUELLFORT_HOST_BUILD}/images is missing: the game will show black screens")
endif()

add_custom_command(TARGET quellfort POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:quellfort> ${DIST_DIR}/
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/data/qfel.dat ${DIST_DIR}/
    ${COPY_IMAGES}
    COMMENT "Laying out the Windows game in ${DIST_DIR}")

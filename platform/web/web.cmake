# The browser game: the same game library on the web backend, compiled to WebAssembly with
# Debian's emscripten. Included by the top-level CMakeLists.txt under emcmake.
#
# The build-time generators (font masks, pictures, sound effects) run on the build machine, so
# a host build comes first (scripts/web-build.sh does both); QUELLFORT_HOST_BUILD names it.
# The result is the folder to serve, build-web/dist: index.html, page.js, quellfort.js,
# quellfort.wasm and data.tar.gz (the pictures in 16 bits and qfel.dat, compressed; the page
# unpacks them).
set(QUELLFORT_HOST_BUILD "${CMAKE_SOURCE_DIR}/build" CACHE PATH
    "Host build directory holding generated/font_data.cpp, generated/resource_table.cpp and images/")
set(HOST_GENERATED ${QUELLFORT_HOST_BUILD}/generated)
foreach(needed ${HOST_GENERATED}/font_data.cpp ${HOST_GENERATED}/resource_table.cpp
        ${QUELLFORT_HOST_BUILD}/images/title.bmp)
    if(NOT EXISTS ${needed})
        message(FATAL_ERROR "${needed} is missing: run scripts/web-build.sh, which makes it first")
    endif()
endforeach()

file(GLOB WEB_SOURCES CONFIGURE_DEPENDS platform/web/*.cpp)
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
add_executable(quellfort app/main.cpp ${WEB_SOURCES} platform/common/resources.cpp
    platform/common/held_keys.cpp platform/common/key_latch.cpp platform/common/pad.cpp
    platform/common/settings_names.cpp platform/common/settings_text.cpp
    platform/common/settings_file.cpp platform/common/settings_seam.cpp
    session/session.cpp session/recording_codec.cpp session/recording_browser.cpp ${HOST_GENERATED}/resource_table.cpp)
target_link_libraries(quellfort PRIVATE quellfort_game)
# Asyncify lets the game's blocking waits (a present, a key's release) yield to the browser, so
# the game keeps its own main loop. None of those waits is reached through a function pointer.
target_link_options(quellfort PRIVATE
    -sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1 -sASYNCIFY_STACK_SIZE=16384
    -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
    -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency,stringToUTF8,UTF8ToString
    -sEXPORTED_FUNCTIONS=_main,_malloc,_free,_WebPageHidden,_WebTableIsWhole)

# build-web/dist: the folder any static web server can serve.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
file(GLOB PAGE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/page/*)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/data)
file(GLOB_RECURSE HOST_IMAGES CONFIGURE_DEPENDS ${QUELLFORT_HOST_BUILD}/images/*.bmp)
add_custom_command(
    OUTPUT ${DIST_DIR}/data.tar.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR} ${CMAKE_BINARY_DIR}/data
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/data/images
    COMMAND python3 ${CMAKE_SOURCE_DIR}/platform/web/bmp565.py ${QUELLFORT_HOST_BUILD}/images
        ${CMAKE_BINARY_DIR}/data/images
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/qfel.dat ${CMAKE_BINARY_DIR}/data/
    COMMAND sh -c "tar --format=ustar --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner -cf - images qfel.dat | gzip -9 -n > \"$0\"" ${DIST_DIR}/data.tar.gz
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/data
    DEPENDS ${HOST_IMAGES} ${CMAKE_SOURCE_DIR}/data/qfel.dat ${CMAKE_SOURCE_DIR}/platform/web/bmp565.py
    COMMENT "Compressing the pictures and formations for the page"
    VERBATIM)
add_custom_target(web_data ALL DEPENDS ${DIST_DIR}/data.tar.gz)
add_custom_command(TARGET quellfort POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_BINARY_DIR}/quellfort.js
        ${CMAKE_BINARY_DIR}/quellfort.wasm ${DIST_DIR}/
    COMMENT "Laying out the browser game in ${DIST_DIR}")
add_custom_target(web_page ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PAGE_FILES} ${DIST_DIR}/)

# The icons of the web app manifest, drawn by the host build's icon generator.
add_custom_command(
    OUTPUT ${DIST_DIR}/icon-192.png ${DIST_DIR}/icon-512.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}
    COMMAND ${QUELLFORT_HOST_BUILD}/tools/icongen --png 192 ${DIST_DIR}/icon-192.png
    COMMAND ${QUELLFORT_HOST_BUILD}/tools/icongen --png 512 ${DIST_DIR}/icon-512.png
    DEPENDS ${QUELLFORT_HOST_BUILD}/tools/icongen
    COMMENT "Drawing the page's icons")
add_custom_target(web_icons ALL DEPENDS ${DIST_DIR}/icon-192.png ${DIST_DIR}/icon-512.png)

# Last: the service worker, which names every file of the page and a version made of them, and
# build-web/quellfort-web.zip for game portals.
add_custom_target(web_offline ALL
    COMMAND python3 ${CMAKE_SOURCE_DIR}/platform/web/offline.py ${CMAKE_SOURCE_DIR}/platform/web/sw.js.in
        ${DIST_DIR} ${CMAKE_BINARY_DIR}/quellfort-web.zip
    COMMENT "Laying out the offline copy and the zip")
add_dependencies(web_offline quellfort web_page web_data web_icons)

# The rule that makes ${GENERATED_DIR}/build_id.cpp, shared by the Linux and Windows builds.
file(GLOB_RECURSE BUILD_ID_SOURCES CONFIGURE_DEPENDS
    app/* core/* flow/* game/* gfx/* records/* sound/*)
add_custom_command(
    OUTPUT ${GENERATED_DIR}/build_id.cpp
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DVERSION=${PROJECT_VERSION}
            -DOUT=${GENERATED_DIR}/build_id.cpp -P ${CMAKE_SOURCE_DIR}/cmake/build_id.cmake
    DEPENDS ${BUILD_ID_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/build_id.cmake
    COMMENT "Working out the build identity kept in recordings")

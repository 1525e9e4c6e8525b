# The demo's sources, for every build of it: the native library and program, the GL layer's ES tests and
# the page. MORIQ_SOURCES is every class under src/; MORIQ_MAIN, the demo's entry, is kept apart.
include_guard(GLOBAL)
get_filename_component(MORIQ_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(MORIQ_MAIN ${MORIQ_SOURCE_ROOT}/src/main.cpp)
file(GLOB MORIQ_SOURCES CONFIGURE_DEPENDS ${MORIQ_SOURCE_ROOT}/src/*.cpp)
list(REMOVE_ITEM MORIQ_SOURCES ${MORIQ_MAIN})

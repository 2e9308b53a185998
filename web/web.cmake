# The show in a web browser, built with emscripten from the same sources:
#
#   emcmake cmake -S . -B build-web -DDEMO_PLATFORM=web -DCMAKE_BUILD_TYPE=Release
#
# build-web/ then holds the page: index.html, quorvane.js, quorvane.wasm and
# quorvane.data (the packaged data/ folder). `make web` does this.
#
# The browser has no system Tremor, libogg or stb: they are compiled here,
# Tremor and libogg from Debian's source packages (as for the second CPU's
# program), stb from Debian's headers. SDL 1.2 is emscripten's own.

set(DEMO_WEB_DATA "${CMAKE_SOURCE_DIR}/data" CACHE PATH "The data/ folder the page packages")
set(STB_INCLUDE_DIR /usr/include/stb CACHE PATH "Debian's stb headers")

set(WEB_SOURCES ${CMAKE_BINARY_DIR}/sources)
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/coprocessor/fetch-sources.sh ${WEB_SOURCES}
                RESULT_VARIABLE fetched ERROR_VARIABLE fetchErrors)
if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "The page needs Debian's Tremor and libogg sources:\n${fetchErrors}")
endif()
set(TREMOR_DIR ${WEB_SOURCES}/tremor)
set(OGG_DIR ${WEB_SOURCES}/ogg)

file(GLOB TREMOR_SOURCES ${TREMOR_DIR}/*.c)
list(FILTER TREMOR_SOURCES EXCLUDE REGEX "(example)\\.c$")
add_library(tremor STATIC ${TREMOR_SOURCES} ${OGG_DIR}/src/framing.c ${OGG_DIR}/src/bitwise.c)
# Their warnings are theirs; the same flags as for the second CPU's program.
target_compile_options(tremor PRIVATE -w -fno-strict-aliasing)
target_compile_definitions(tremor PUBLIC HAVE_ALLOCA_H)
# The system includes Tremor as <tremor/ivorbisfile.h>, where Debian installs it.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/include)
file(CREATE_LINK ${TREMOR_DIR} ${CMAKE_BINARY_DIR}/include/tremor SYMBOLIC)
target_include_directories(tremor PUBLIC ${CMAKE_SOURCE_DIR}/coprocessor/program/include
                           ${OGG_DIR}/include ${TREMOR_DIR} ${CMAKE_BINARY_DIR}/include)

add_library(stb STATIC web/stb.c)
target_include_directories(stb SYSTEM PUBLIC ${STB_INCLUDE_DIR})
target_compile_options(stb PRIVATE -w)

# The desktop's native stand-in decodes the music for the second CPU.
add_library(demosystem STATIC ${SYSTEM_SOURCES} ${PLATFORM_COMMON} ${PLATFORM_SIDE}
            src/platform/desktop/music_program.cpp src/platform/desktop/block_decoder.cpp)
target_include_directories(demosystem PUBLIC src)
target_link_libraries(demosystem PUBLIC tremor stb)

add_executable(quorvane web/page_main.cpp)
target_link_libraries(quorvane PRIVATE demosystem)
set_target_properties(quorvane PROPERTIES SUFFIX .js LINK_DEPENDS ${DEMO_WEB_DATA}/.stamp)
# The page starts the program itself (after a click, for the sound); the
# show's second CPU alone needs 15.5 MiB.
target_link_options(quorvane PRIVATE
    -sINVOKE_RUN=0 -sEXPORTED_RUNTIME_METHODS=callMain -sENVIRONMENT=web
    -sINITIAL_MEMORY=64MB -sALLOW_MEMORY_GROWTH=1
    --preload-file ${DEMO_WEB_DATA}@data --exclude-file "*.stamp")
configure_file(web/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)

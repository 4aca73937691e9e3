# The web page's program: the show, its frame-hash mode and its per-part
# timing, as one wasm module the page starts (web/index.html).
#
# The parts' loops block until their part ends; a browser needs control back
# every frame. Asyncify lets the presentation step wait for the next display
# refresh (or a zero-delay timer) in the middle of those loops, so the
# timeline's code stays as it is. GF_WEB_ASYNCIFY=OFF builds without it: the
# show cannot play then, but the hash and timing modes run in one go, which
# is how Asyncify's cost is measured.
option(GF_WEB_ASYNCIFY "Build the web program with Asyncify" ON)

add_executable(glimmerfall ${CMAKE_SOURCE_DIR}/web/main.cpp)
target_link_libraries(glimmerfall PRIVATE gf_sequencer640)
if(GF_WEB_ASYNCIFY)
  target_compile_definitions(glimmerfall PRIVATE GF_WEB_ASYNCIFY=1)
endif()
set(web_link
  -O3 -mbulk-memory
  -sMODULARIZE=1 -sEXPORT_NAME=Glimmerfall -sENVIRONMENT=web
  -sINVOKE_RUN=0 -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=100663296
  -sFORCE_FILESYSTEM=1 "-sEXPORTED_RUNTIME_METHODS=[\"FS\",\"callMain\"]"
  "-sEXPORTED_FUNCTIONS=[\"_main\",\"_WebMusicSeconds\"]"
  # SDL's audio calls a helper this emscripten links only on request, and
  # the waits resume the program through callUserCallback, which takes the
  # exit() of a resumed program quietly. The names start with $, which the
  # shell would expand: they go in a file.
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/web-library-funcs.json)
file(WRITE ${CMAKE_BINARY_DIR}/web-library-funcs.json "[\"$autoResumeAudioContext\", \"$dynCall\", \"$callUserCallback\"]\n")
# Only the functions that can be on the stack while the program waits for
# the browser are instrumented: the entry point, the start-up down to the
# loading picture's presentation and the sound's play gesture, the timeline
# and its parts, the presentation step and the test modes' hook. Left to
# itself Asyncify also instruments every function an indirect call might
# reach, which is every pixel loop of the show. A wait reached through a
# function missing here corrupts the run, which the whole-show hash test and
# the real-time test see. Functions the optimizer has inlined into their
# callers (LoadAssets, PresentFrame, ...) are reported missing at link, and
# are instrumented as part of those callers.
set(web_async_functions
  main __main_argc_argv __original_main
  StartShow* LoadAssets* StartMusicClock* InitAudio* PlayMusicStream* OpenWeb* PlayWeb*
  Run* PresentShowFrame* PresentFrame* SleepWeb* HashFrameHook* YieldToPage*)
list(JOIN web_async_functions "\", \"" web_async_json)
file(WRITE ${CMAKE_BINARY_DIR}/web-async-functions.json "[\"${web_async_json}\"]\n")
if(GF_WEB_ASYNCIFY)
  list(APPEND web_link -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536
    "-sASYNCIFY_IMPORTS=[\"WebWaitForRefresh\",\"WebYieldNow\",\"WebWaitForGesture\",\"WebSleep\"]"
    -sASYNCIFY_ONLY=@${CMAKE_BINARY_DIR}/web-async-functions.json)
endif()
target_link_options(glimmerfall PRIVATE ${web_link})
set_target_properties(glimmerfall PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The vector kernels' tests as wasm, run by node: the same reference loops
# as on Linux, compared bit for bit with the wasm SIMD builds of the kernels
# (the pixel operations, the deformation renderers, the row converters).
# googletest comes from Debian's source package (/usr/src/googletest).
option(GF_WEB_TESTS "Build the kernels' tests for wasm" ON)
if(GF_WEB_TESTS AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_executable(test_kernels_wasm
    ${CMAKE_SOURCE_DIR}/tests/raster2d/compose_test.cpp ${CMAKE_SOURCE_DIR}/tests/raster2d/mosaic_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/deform/deform_test.cpp ${CMAKE_SOURCE_DIR}/tests/display/convert_test.cpp)
  target_include_directories(test_kernels_wasm PRIVATE ${GF_SRC} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(test_kernels_wasm PRIVATE gf_deform gf_display gtest gtest_main)
  target_link_options(test_kernels_wasm PRIVATE -O3 -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1
    -sEXIT_RUNTIME=1 -sNODERAWFS=1 -sSINGLE_FILE=1) # one file: this glue would fetch() a path under node 18+
  set_target_properties(test_kernels_wasm PROPERTIES SUFFIX ".js")
endif()

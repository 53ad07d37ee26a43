# Shared build helpers of the Varnex tree.

# GoogleTest is built from Debian's sources with whichever toolchain is active.
macro(varnex_add_googletest)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  endif()
endmacro()

# varnex_add_test(NAME <name> SOURCES <src...> [LIBS <lib...>] [DLLS <dll target...>]
#                 [FILES <file...>] [TIMEOUT <s>] [WINDOWS])
# One test program per module. Under Windows it gets a folder of its own beside bin/
# (build/windows/tests/<name>) with copies of the DLL targets it loads and of FILES, so that
# profiles, flash files and logs of one test program never meet those of another; ctest
# runs it under Wine with a prefix kept in the build folder. WINDOWS: the program shows
# windows, so ctest runs it on a virtual display of its own (xvfb-run), when there is one, in
# a second prefix used by one such program at a time: a Wine desktop started by a program
# without a display cannot show windows.
function(varnex_add_test)
  cmake_parse_arguments(T "WINDOWS" "NAME;TIMEOUT" "SOURCES;LIBS;DLLS;FILES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(WIN32)
    set(dir ${CMAKE_BINARY_DIR}/tests/${T_NAME})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${dir})
    foreach(dll IN LISTS T_DLLS)
      add_dependencies(${T_NAME} ${dll})
      add_custom_command(TARGET ${T_NAME} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${dll}> ${dir}/)
    endforeach()
    foreach(file IN LISTS T_FILES)
      add_custom_command(TARGET ${T_NAME} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${dir}/)
    endforeach()
    find_program(VARNEX_XVFB_RUN xvfb-run)
    set(prefix ${CMAKE_BINARY_DIR}/wineprefix)
    if(T_WINDOWS AND VARNEX_XVFB_RUN)
      set(prefix ${CMAKE_BINARY_DIR}/wineprefix-windowed)
      add_test(NAME ${T_NAME}
        COMMAND ${VARNEX_XVFB_RUN} -a sh ${PROJECT_SOURCE_DIR}/scripts/run-windowed.sh
                $<TARGET_FILE:${T_NAME}>
        WORKING_DIRECTORY ${dir})
      set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK wineprefix-windowed)
    else()
      add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${dir})
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
      TIMEOUT ${T_TIMEOUT})
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
endfunction()

# varnex_add_fuzzer(NAME <name> SOURCES <src...> [LIBS <lib...>])
function(varnex_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()

# varnex_use_json(<target>): nlohmann-json, header-only from Debian's nlohmann-json3-dev. The
# cross build must not see /usr/include (its C library headers would shadow MinGW's), so a
# folder of the build tree holds a link to that one library and goes on the include path.
function(varnex_use_json target)
  set(dir ${CMAKE_BINARY_DIR}/third_party/include)
  if(NOT EXISTS ${dir}/nlohmann/json.hpp)
    if(NOT EXISTS /usr/include/nlohmann/json.hpp)
      message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/install-deps.sh)")
    endif()
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK /usr/include/nlohmann ${dir}/nlohmann SYMBOLIC)
  endif()
  target_include_directories(${target} SYSTEM PUBLIC ${dir})
endfunction()

# Engine base: log names, supply ramp and open record (platform-neutral), and the context, log
# files and supply control against the simulated supplies (Windows, under Wine).
if(TARGET station_engine_core)
  varnex_add_test(NAME engine_core_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/base/LogNamesTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/base/SupplyRampTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/base/OpenRecordTest.cpp
    LIBS station_engine_core)
endif()

if(WIN32 AND TARGET engine_test_support AND TARGET Dutlink AND TARGET Powerbench
   AND TARGET Tollmark)
  varnex_add_test(NAME engine_base_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/base/LogFilesTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/base/SupplyControlTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/base/SupplyRaceTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/base/LogRaceTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/base/CheckContextTest.cpp
    LIBS engine_test_support
    DLLS Dutlink Powerbench Tollmark)
  target_include_directories(engine_base_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/support)
endif()

# The station folder under a double-byte ANSI code page.
if(TARGET engine_base_tests)
  add_test(NAME engine_base_dbcs_tests
    COMMAND engine_base_tests --gtest_filter=LogFiles.DoubleByte*
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests/engine_base_tests)
  set_tests_properties(engine_base_dbcs_tests PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;LANG=zh_CN.UTF-8;LC_ALL=zh_CN.UTF-8;VARNEX_EXPECT_DBCS=1"
    TIMEOUT 300)
endif()

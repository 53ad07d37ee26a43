# The identity, calibration, card, voltage, version, MMI and secure-boot checks: their
# judgement rules natively (and under Wine), the checks themselves against the simulated phone.
if(TARGET station_engine_core AND TARGET station_config_core)
  varnex_add_test(NAME engine_checks_core_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/checks/VoltageWordTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/IdentityMatchTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/VersionTextTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/CardRepliesTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/CalibrationFlagsTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/MmiReportTest.cpp
    LIBS station_engine_core station_config_core)
endif()

if(WIN32 AND TARGET engine_test_support AND TARGET Dutlink AND TARGET Powerbench
   AND TARGET Tollmark)
  varnex_add_test(NAME engine_checks_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/checks/ReportingTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/IdentityChecksTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/CalibrationCheckTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/CardChecksTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/VoltageChecksTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/VersionChecksTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/MmiCheckTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/checks/SecureBootStepsTest.cpp
    LIBS engine_test_support
    DLLS Dutlink Powerbench Tollmark)
  target_include_directories(engine_checks_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/support)
endif()

# The same program under a double-byte ANSI code page, for the cuts that must not split a
# character.
if(TARGET engine_checks_tests)
  add_test(NAME engine_checks_dbcs_tests
    COMMAND engine_checks_tests --gtest_filter=Reporting.DoubleByte*:CodePageConversion.*
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests/engine_checks_tests)
  set_tests_properties(engine_checks_dbcs_tests PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;LANG=zh_CN.UTF-8;LC_ALL=zh_CN.UTF-8;VARNEX_EXPECT_DBCS=1"
    TIMEOUT 300)
endif()

# The check sequence, the station-record step and the current checks.
if(TARGET station_engine_core)
  varnex_add_test(NAME engine_sequence_core_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sequence/CurrentSamplingTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sequence/AnsiNameFieldTest.cpp
    LIBS station_engine_core)
endif()

if(WIN32 AND TARGET engine_test_support)
  varnex_add_test(NAME engine_sequence_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sequence/BenchFixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sequence/CurrentChecksTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sequence/CurrentLimitsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sequence/StationRecordStepsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sequence/CheckSequenceTest.cpp
    LIBS engine_test_support
    DLLS Dutlink Powerbench Tollmark)
endif()

# The check sequence, the station-record step and the current checks.
if(TARGET station_engine_core)
  varnex_add_test(NAME engine_sequence_core_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sequence/CurrentSamplingTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sequence/AnsiNameFieldTest.cpp
    LIBS station_engine_core)
endif()


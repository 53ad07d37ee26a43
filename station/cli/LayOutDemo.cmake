# Lays out one demo station folder: the programs and libraries, the configuration, the station
# list, an optional phone profile and the Log folder. Run with cmake -P at build time.
file(MAKE_DIRECTORY ${DEMO_DIR} ${DEMO_DIR}/Log)
string(REPLACE "|" ";" files "${FILES}")
foreach(file IN LISTS files)
  file(COPY ${file} DESTINATION ${DEMO_DIR})
endforeach()
file(COPY ${CONFIG} DESTINATION ${DEMO_DIR})
if(EXISTS ${STATIONS})
  file(COPY ${STATIONS} DESTINATION ${DEMO_DIR})
endif()
if(PROFILE)
  file(COPY ${PROFILE} DESTINATION ${DEMO_DIR})
endif()

# Programs of the performance comparison (the command bench/compare); included from
# bench/CMakeLists.txt. bench/include is on their include path for tweet_table_sample.h; their
# own helpers sit in bench/comparison/ and are included by relative name.

# Our side: response to table, table load, and growth with size.
add_executable(compare_table ${CMAKE_CURRENT_LIST_DIR}/comparison/table_ours.cpp)
target_include_directories(compare_table PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(compare_table PRIVATE wf_tweettable wf_records)

add_executable(compare_load ${CMAKE_CURRENT_LIST_DIR}/comparison/load_ours.cpp)
target_include_directories(compare_load PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(compare_load PRIVATE wf_tweettable)

add_executable(compare_scaling ${CMAKE_CURRENT_LIST_DIR}/comparison/scaling.cpp)
target_include_directories(compare_scaling PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(compare_scaling PRIVATE wf_mainwindow wf_api wf_tweettable)

# The practical limit for response to table: simdjson (Debian's libsimdjson-dev), when there.
find_package(simdjson QUIET)
if(simdjson_FOUND)
  add_executable(compare_simdjson ${CMAKE_CURRENT_LIST_DIR}/comparison/table_simdjson.cpp)
  target_include_directories(compare_simdjson PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
  target_link_libraries(compare_simdjson PRIVATE wf_config simdjson::simdjson)
endif()

# The comparison's own checks: peers extract the same rows as ours from the recorded pages,
# and the growth verdict catches faster than n log n growth.
if(WF_BUILD_TESTS)
  find_program(WF_DEBIAN_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(WF_DEBIAN_PYTHON)
    set(_compare_programs $<TARGET_FILE:compare_table> $<TARGET_FILE:compare_load>)
    if(TARGET compare_simdjson)
      list(APPEND _compare_programs $<TARGET_FILE:compare_simdjson>)
    endif()
    add_test(NAME compare_harness
             COMMAND ${WF_DEBIAN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/comparison/test_compare.py
                     ${_compare_programs})
    set_tests_properties(compare_harness PROPERTIES
                         ENVIRONMENT "WF_TESTDATA_DIR=${WF_TESTDATA_DIR};MPLBACKEND=Agg")
  endif()
endif()

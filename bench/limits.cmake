# Peak memory of oversized inputs (a tweet file beyond memory, a 100 MB answer, a 10 MB line
# in a user file); included from bench/CMakeLists.txt.
add_executable(limits_peak_memory ${CMAKE_CURRENT_LIST_DIR}/limits_peak_memory.cpp)
target_link_libraries(limits_peak_memory PRIVATE wf_mainwindow wf_apisim PkgConfig::HTTPLIB)

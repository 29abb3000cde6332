# Tweet table store benchmarks; included from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()

# Load of a generated million-row table, in bytes per second.
add_executable(skein_data_bench ${CMAKE_CURRENT_LIST_DIR}/skein_data_bench.cpp)
target_include_directories(skein_data_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(skein_data_bench PRIVATE wf_tweettable benchmark::benchmark)

# Peak memory of that load against the file size (exit status 1 above three times).
add_executable(load_peak_memory ${CMAKE_CURRENT_LIST_DIR}/load_peak_memory.cpp)
target_include_directories(load_peak_memory PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(load_peak_memory PRIVATE wf_tweettable)

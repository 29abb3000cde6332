# Account retrieval benchmarks; included from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()

# The followers list of a 10,000-follower account and a lookup of its 10,000 ids from the
# simulator (its own process) through the window's handlers: requests per second and the
# client's CPU per request (target: at most 5 ms).
add_executable(account_bench
  ${CMAKE_CURRENT_LIST_DIR}/account_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support-apisim/apisim_process.cpp)
target_include_directories(account_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(account_bench PRIVATE wf_mainwindow wf_api benchmark::benchmark)
target_compile_definitions(account_bench PRIVATE
                           WF_APISIM_EXE="$<TARGET_FILE:wrenfold-apisim>")
add_dependencies(account_bench wrenfold-apisim)

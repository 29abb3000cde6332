# API client benchmarks; included from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()

# 1,000 search pages of 100 tweets from the simulator (its own process) through GetSearch:
# pages per second and the client's CPU per page (target: at most 5 ms).
add_executable(api_paging_bench
  ${CMAKE_CURRENT_LIST_DIR}/api_paging_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support-apisim/apisim_process.cpp)
target_include_directories(api_paging_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(api_paging_bench PRIVATE wf_api benchmark::benchmark)
target_compile_definitions(api_paging_bench PRIVATE
                           WF_APISIM_EXE="$<TARGET_FILE:wrenfold-apisim>")
add_dependencies(api_paging_bench wrenfold-apisim)

# Client CPU per search page through API v2 beside v1.1 from the simulator (target: v2 at
# most 50% above v1.1), and the decoding of one page of each alone.
add_executable(api_v2_paging_bench
  ${CMAKE_CURRENT_LIST_DIR}/api_v2_paging_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support-apisim/apisim_process.cpp)
target_include_directories(api_v2_paging_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(api_v2_paging_bench PRIVATE wf_api benchmark::benchmark)
target_compile_definitions(api_v2_paging_bench PRIVATE
                           WF_APISIM_EXE="$<TARGET_FILE:wrenfold-apisim>")
add_dependencies(api_v2_paging_bench wrenfold-apisim)

# The simulator's time to build one search page of 100 tweets (target: at most 5 ms) and its
# start-up as a process (target: under 2 s).
add_executable(apisim_page_bench
  ${CMAKE_CURRENT_LIST_DIR}/apisim_page_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support-apisim/apisim_process.cpp)
target_include_directories(apisim_page_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(apisim_page_bench PRIVATE wf_apisim wf_util benchmark::benchmark)
target_compile_definitions(apisim_page_bench PRIVATE WF_APISIM_EXE="$<TARGET_FILE:wrenfold-apisim>")
add_dependencies(apisim_page_bench wrenfold-apisim)

# Hydrating an id list of a size given on the command line (default 1,000,000 ids, 10,000
# requests) from the simulator with raised lookup limits: client CPU per batch and the
# resident memory at 10% and 100% of the run.
add_executable(hydrate_bench
  ${CMAKE_CURRENT_LIST_DIR}/hydrate_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support-apisim/apisim_process.cpp)
target_include_directories(hydrate_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(hydrate_bench PRIVATE wf_api)
target_compile_definitions(hydrate_bench PRIVATE WF_APISIM_EXE="$<TARGET_FILE:wrenfold-apisim>")
add_dependencies(hydrate_bench wrenfold-apisim)

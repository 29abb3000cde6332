# User table benchmarks; included from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()

# The "Tweets" table from 100,000 tweets by 20,000 authors, lookups excluded.
add_executable(user_table_bench ${CMAKE_CURRENT_LIST_DIR}/user_table_bench.cpp)
target_link_libraries(user_table_bench PRIVATE wf_mainwindow benchmark::benchmark)

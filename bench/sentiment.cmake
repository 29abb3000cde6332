# Sentiment classifier benchmarks; included from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()

# Texts per second over a million tweet texts (target: 200,000 on one core).
add_executable(sentiment_bench ${CMAKE_CURRENT_LIST_DIR}/sentiment_bench.cpp)
target_link_libraries(sentiment_bench PRIVATE wf_senti benchmark::benchmark)
target_compile_definitions(sentiment_bench PRIVATE
  WF_TESTDATA_DIR="${WF_TESTDATA_DIR}"
  WF_SENTI_DATA_DIR="${CMAKE_SOURCE_DIR}/apps/sentiment/data/SentiStrengthData")

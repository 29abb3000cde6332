# The visualiser's figures on generated tables; included from bench/CMakeLists.txt.
add_executable(view_bench ${CMAKE_CURRENT_LIST_DIR}/view_bench.cpp)
target_include_directories(view_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(view_bench PRIVATE wf_view_analysis benchmark::benchmark)

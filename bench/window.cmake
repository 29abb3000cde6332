# The desktop window with a 200,000-row table, offscreen; included when the GUI is built.
if(WF_BUILD_GUI)
  add_executable(window_bench ${CMAKE_CURRENT_LIST_DIR}/window_bench.cpp)
  target_include_directories(window_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
  target_link_libraries(window_bench PRIVATE wf_gui benchmark::benchmark)
endif()

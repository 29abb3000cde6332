# The desktop window with a 200,000-row table, offscreen; included when the GUI is built.
if(WF_BUILD_GUI)
  add_executable(window_bench ${CMAKE_CURRENT_LIST_DIR}/window_bench.cpp)
  target_include_directories(window_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/include)
  target_link_libraries(window_bench PRIVATE wf_gui benchmark::benchmark)
endif()

# The window during a search whose every answer takes 2 s (simulator latency fault): the
# longest stall of the event loop and the time from Cancel to the end of the retrieval.
if(WF_BUILD_GUI)
  add_executable(window_stall_bench
    ${CMAKE_CURRENT_LIST_DIR}/window_stall_bench.cpp
    ${CMAKE_SOURCE_DIR}/tests/support-apisim/apisim_process.cpp)
  target_include_directories(window_stall_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(window_stall_bench PRIVATE wf_gui benchmark::benchmark)
  target_compile_definitions(window_stall_bench PRIVATE
                             WF_APISIM_EXE="$<TARGET_FILE:wrenfold-apisim>")
  add_dependencies(window_stall_bench wrenfold-apisim)
endif()

# Start-up measurement: the program beside a minimal Qt Widgets window (the toolkit's floor).
if(TARGET runamika)
  add_executable(startup_floor_window startup/floor_window.cpp)
  target_link_libraries(startup_floor_window PRIVATE Qt6::Widgets)

  add_executable(bench_startup startup/bench_startup.cpp)
  target_link_libraries(bench_startup PRIVATE benchmark::benchmark)
  target_compile_definitions(bench_startup PRIVATE
    RUNAMIKA_PATH="$<TARGET_FILE:runamika>"
    FLOOR_WINDOW_PATH="$<TARGET_FILE:startup_floor_window>")
  add_dependencies(bench_startup runamika startup_floor_window)
endif()

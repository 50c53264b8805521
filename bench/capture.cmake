quillbox_benchmark(bench_png SOURCES ${CMAKE_CURRENT_LIST_DIR}/PngBenchmark.cpp
    LIBS quillbox_core Qt6::Gui)
add_executable(qt_png_size ${CMAKE_CURRENT_LIST_DIR}/QtPngSize.cpp)
target_link_libraries(qt_png_size PRIVATE quillbox_options Qt6::Gui)
add_executable(bench_text_window ${CMAKE_CURRENT_LIST_DIR}/TextWindow.cpp)
target_link_libraries(bench_text_window PRIVATE quillbox_options Qt6::Widgets)

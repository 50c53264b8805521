quillbox_benchmark(bench_png SOURCES ${CMAKE_CURRENT_LIST_DIR}/PngBenchmark.cpp
    LIBS quillbox_core Qt6::Gui)

quillbox_benchmark(bench_history SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/HistoryBenchmark.cpp
    LIBS quillbox_core quillbox_test_support)

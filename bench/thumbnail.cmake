quillbox_benchmark(bench_thumbnail SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailBenchmark.cpp
    LIBS ${QUILLBOX_LAYER_TARGETS} quillbox_test_support)

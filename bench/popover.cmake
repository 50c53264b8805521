# Needs an X display: scripts/x11-session.sh build/dev/bench/bench_popover
quillbox_benchmark(bench_popover SOURCES ${CMAKE_CURRENT_LIST_DIR}/PopoverBenchmark.cpp
    LIBS ${QUILLBOX_LAYER_TARGETS} quillbox_test_support Qt6::Test)

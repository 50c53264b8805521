# The editor window; it borrows the test library fixture, so it needs the tests.
if(TARGET quillbox_test_support)
    quillbox_benchmark(bench_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorWindowBenchmark.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AnnotationScene.cpp
        LIBS ${QUILLBOX_LAYER_TARGETS} quillbox_test_support)
endif()

quillbox_benchmark(bench_annotate SOURCES ${CMAKE_CURRENT_LIST_DIR}/AnnotationRenderBenchmark.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnnotationScene.cpp
    LIBS quillbox_core Qt6::Gui)

quillbox_benchmark(bench_stitch
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/StitchBenchmark.cpp ${CMAKE_CURRENT_SOURCE_DIR}/StitchReference.cpp
    LIBS quillbox_core)
# The reference is plain code: compile it as the stitcher is, so the comparison is fair.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/StitchReference.cpp
    PROPERTIES COMPILE_OPTIONS "-O3")

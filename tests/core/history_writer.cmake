# A child process for the kill test: files captures in a loop until it is killed.
add_executable(history_writer ${CMAKE_CURRENT_LIST_DIR}/library/HistoryWriter.cpp)
target_link_libraries(history_writer PRIVATE quillbox_test_support)
target_compile_definitions(test_core PRIVATE QUILLBOX_HISTORY_WRITER="$<TARGET_FILE:history_writer>")
add_dependencies(test_core history_writer)

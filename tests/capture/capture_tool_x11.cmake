# A window with a known pattern, for the capture tool's X11 test.
add_executable(capture_test_pattern ${CMAKE_CURRENT_LIST_DIR}/PatternWindow.cpp)
target_link_libraries(capture_test_pattern PRIVATE quillbox_options Qt6::Widgets)
quillbox_x11_test(capture_tool_x11 COMMAND ${CMAKE_CURRENT_LIST_DIR}/capture-tool.sh TIMEOUT 180
    ENVIRONMENT "QUILLBOX_PATTERN_WINDOW=$<TARGET_FILE:capture_test_pattern>")

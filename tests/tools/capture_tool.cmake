# The capture tool's logic (arguments, picking) is tested through its library.
target_link_libraries(test_tools PRIVATE quillbox_capture_tool)

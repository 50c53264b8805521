# The capture tool started by the program ends with it.
if(TARGET quillbox)
    quillbox_x11_test(app_tool_ends_with_program_x11
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/tool-ends-with-program.sh TIMEOUT 60)
endif()

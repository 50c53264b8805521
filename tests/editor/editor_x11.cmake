# A capture opened in its editor window through the controller, marked with the mouse and
# saved with the keyboard, under a private X session.
add_executable(editor_driver ${CMAKE_CURRENT_LIST_DIR}/x11/EditorDriver.cpp)
target_link_libraries(editor_driver PRIVATE ${QUILLBOX_LAYER_TARGETS})
quillbox_x11_test(editor_save_x11
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/editor-save.sh
    ENVIRONMENT "EDITOR_DRIVER=$<TARGET_FILE:editor_driver>"
    TIMEOUT 120)

# The X11 hot-key backend against a real server, with a second client holding keys.
add_executable(hotkey_holder ${CMAKE_CURRENT_LIST_DIR}/x11/HotkeyHolder.cpp)
target_link_libraries(hotkey_holder PRIVATE quillbox_platform Qt6::Gui)

add_executable(test_hotkeys_x11 ${CMAKE_CURRENT_LIST_DIR}/x11/GlobalHotkeysX11Session.cpp)
target_link_libraries(test_hotkeys_x11 PRIVATE quillbox_test_main ${QUILLBOX_LAYER_TARGETS})
target_compile_definitions(test_hotkeys_x11 PRIVATE
    QUILLBOX_HOTKEY_HOLDER="$<TARGET_FILE:hotkey_holder>")
add_dependencies(test_hotkeys_x11 hotkey_holder)
quillbox_x11_test(hotkeys_x11 COMMAND $<TARGET_FILE:test_hotkeys_x11> TIMEOUT 120)

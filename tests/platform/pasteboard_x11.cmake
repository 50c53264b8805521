# Another X client pastes what the library copied.
add_executable(pasteboard_owner ${CMAKE_CURRENT_LIST_DIR}/x11/PasteboardOwner.cpp)
target_link_libraries(pasteboard_owner PRIVATE quillbox_test_support quillbox_platform Qt6::Gui)
quillbox_x11_test(pasteboard_x11 COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/pasteboard.sh
    $<TARGET_FILE:pasteboard_owner> TIMEOUT 60 ENVIRONMENT X11_NO_TRAY=1;X11_NO_WM=1)

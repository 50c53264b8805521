# A page in a scroll area and a driver that captures it with the real X11 services.
add_executable(scroll_page ${CMAKE_CURRENT_LIST_DIR}/x11/ScrollPage.cpp)
target_link_libraries(scroll_page PRIVATE quillbox_options Qt6::Widgets)
add_executable(scroll_driver ${CMAKE_CURRENT_LIST_DIR}/x11/ScrollDriver.cpp)
target_link_libraries(scroll_driver PRIVATE ${QUILLBOX_LAYER_TARGETS})
quillbox_x11_test(scrolling_capture_x11
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/scrolling-capture.sh
    ENVIRONMENT "SCROLL_PAGE=$<TARGET_FILE:scroll_page>;SCROLL_DRIVER=$<TARGET_FILE:scroll_driver>"
    TIMEOUT 120)
if(TARGET quillbox)
    quillbox_x11_test(scrolling_hotkey_x11
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/scrolling-hotkey.sh
        ENVIRONMENT "SCROLL_PAGE=$<TARGET_FILE:scroll_page>"
        TIMEOUT 120)
endif()
quillbox_x11_test(scrolling_gtk_x11
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/scrolling-gtk.sh
    ENVIRONMENT "SCROLL_DRIVER=$<TARGET_FILE:scroll_driver>"
    TIMEOUT 120)
add_executable(trap_page ${CMAKE_CURRENT_LIST_DIR}/x11/TrapPage.cpp)
target_link_libraries(trap_page PRIVATE quillbox_options Qt6::Widgets)
quillbox_x11_test(scrolling_traps_x11
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/scrolling-traps.sh
    ENVIRONMENT "TRAP_PAGE=$<TARGET_FILE:trap_page>;SCROLL_DRIVER=$<TARGET_FILE:scroll_driver>"
    TIMEOUT 180)

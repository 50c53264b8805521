# The popover and its strip in the real program.
if(TARGET quillbox)
    quillbox_x11_test(ui_popover_strip_x11 COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/popover-strip.sh
                      TIMEOUT 120)
endif()

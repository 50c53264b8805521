# The thumbnail card of the real program after captures taken by hot key.
if(TARGET quillbox AND TARGET capture_test_pattern)
    quillbox_x11_test(ui_thumbnail_x11 COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/thumbnail.sh
                      TIMEOUT 120
                      ENVIRONMENT "QUILLBOX_PATTERN_WINDOW=$<TARGET_FILE:capture_test_pattern>")
endif()

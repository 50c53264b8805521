# What `cmake --install` puts under a prefix.
if(TARGET quillbox AND TARGET quillbox-capture)
    add_test(NAME app_install COMMAND ${CMAKE_CURRENT_LIST_DIR}/install.sh)
    set_tests_properties(app_install PROPERTIES LABELS unit TIMEOUT 120
        ENVIRONMENT "QUILLBOX_BUILD_DIR=${PROJECT_BINARY_DIR}")
endif()

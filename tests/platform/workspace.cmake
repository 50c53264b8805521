# The reveal test talks to a stand-in file manager on a private bus.
target_compile_definitions(test_platform PRIVATE
    QUILLBOX_FILE_MANAGER_FAKE="${CMAKE_CURRENT_LIST_DIR}/dbus/file-manager-fake.py")

# Crash reporting against a loopback endpoint of the test. A build with an endpoint
# compiled in would report the test's crashes there, so it does not run them.
string(STRIP "${QUILLBOX_SENTRY_DSN}" compiled_in_dsn)
if(TARGET test_app AND TARGET quillbox_app AND compiled_in_dsn STREQUAL "")
    add_executable(sentry_crash_child ${CMAKE_CURRENT_LIST_DIR}/SentryCrashChild.cpp)
    target_link_libraries(sentry_crash_child PRIVATE quillbox_app)
    target_compile_definitions(test_app PRIVATE
        QUILLBOX_SENTRY_CRASH_CHILD="$<TARGET_FILE:sentry_crash_child>")
    add_dependencies(test_app sentry_crash_child)
endif()

# The private X session script itself: it starts its own sessions and kills them.
add_test(NAME x11_session_teardown COMMAND ${CMAKE_CURRENT_LIST_DIR}/session-teardown.sh)
set_tests_properties(x11_session_teardown PROPERTIES LABELS x11 TIMEOUT 60)

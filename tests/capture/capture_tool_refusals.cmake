# The capture tool's refusals: a full disk, a device, a FIFO.
quillbox_x11_test(capture_tool_refusals_x11
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/x11/capture-tool-refusals.sh TIMEOUT 120)

# The X11 implementations against a real X server.
quillbox_x11_test(platform_x11 COMMAND $<TARGET_FILE:test_platform>
    --gtest_filter=ScreenGrabberX11.* TIMEOUT 60)

# Measures how far one wheel click scrolls a program; see wheel-step.sh.
quillbox_benchmark(wheel_step SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/WheelStep.cpp
    LIBS quillbox_core quillbox_platform Qt6::Widgets)

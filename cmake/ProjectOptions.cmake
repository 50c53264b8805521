# One place for the language level, warnings and Qt strictness; every target links it.
add_library(quillbox_options INTERFACE)
target_compile_features(quillbox_options INTERFACE cxx_std_20)
target_compile_options(quillbox_options INTERFACE
    -Wall -Wextra -Wnon-virtual-dtor -Wold-style-cast -Wno-missing-field-initializers)
target_compile_definitions(quillbox_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_FOREACH
    QT_NO_KEYWORDS
    QT_DISABLE_DEPRECATED_UP_TO=0x060000)
target_include_directories(quillbox_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

option(QUILLBOX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QUILLBOX_SANITIZE)
    target_compile_options(quillbox_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quillbox_options INTERFACE -fsanitize=address,undefined)
endif()

# CMake 3.25 does not run moc again when a globbed source joins a target, so an
# incremental build fails with "X.moc: No such file". moc does run again when a file
# the configuration read has changed: so it reads a list of the target's sources,
# rewritten only when that list changes.
function(quillbox_moc_follows_sources target)
    get_target_property(sources ${target} SOURCES)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}-sources.cmake)
    file(CONFIGURE OUTPUT ${list_file} CONTENT "# ${sources}\n")
    include(${list_file})
endfunction()

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

option(QUILLBOX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QUILLBOX_SANITIZE)
    target_compile_options(quillbox_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quillbox_options INTERFACE -fsanitize=address,undefined)
endif()

option(QUILLBOX_WERROR "Treat the project's own warnings as errors" OFF)
if(QUILLBOX_WERROR)
    target_compile_options(quillbox_options INTERFACE -Werror)
endif()

# A layer's headers are reached as "<prefix>/<path>" ("core/library/HistoryManager.h", the
# path relative to the folder listing them) through an include folder of the layer's own,
# which holds links to its listed headers and nothing else. A target sees the headers of the layers it links and no others, so an
# include from a layer above fails to compile.
function(quillbox_layer_headers target prefix)
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${root})
    foreach(header ${ARGN})
        if(header MATCHES "\\.h$")
            if(prefix)
                set(link ${root}/${prefix}/${header})
            else()
                set(link ${root}/${header})
            endif()
            get_filename_component(folder ${link} DIRECTORY)
            file(MAKE_DIRECTORY ${folder})
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${link} SYMBOLIC)
        endif()
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

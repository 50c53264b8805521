# The application's classes are in their own library, next to the program.
if(TARGET test_app AND TARGET quillbox_app)
    target_link_libraries(test_app PRIVATE quillbox_app)
endif()

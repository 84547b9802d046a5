kwpos_add_test(tst_Routines SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Routines.cpp)
kwpos_add_test(tst_Startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Startup.cpp LIBS kwpos_ui)
add_dependencies(tst_Startup kwpos_main)
target_compile_definitions(tst_Startup PRIVATE KWPOS_MAIN_EXE="$<TARGET_FILE:kwpos_main>")

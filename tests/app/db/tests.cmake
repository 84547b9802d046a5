add_executable(kwpos_draw_numbers ${CMAKE_CURRENT_LIST_DIR}/draw_numbers.cpp)
target_link_libraries(kwpos_draw_numbers PRIVATE kwpos_core)
target_compile_options(kwpos_draw_numbers PRIVATE ${KWPOS_WARNINGS})

kwpos_add_test(tst_Database SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Database.cpp)
kwpos_add_test(tst_BillNumbers SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_BillNumbers.cpp)
add_dependencies(tst_BillNumbers kwpos_draw_numbers)
target_compile_definitions(tst_BillNumbers PRIVATE
  DRAW_NUMBERS_EXE="$<TARGET_FILE:kwpos_draw_numbers>")
# A station east of UTC: date-times must come back as written on both engines.
set_property(TEST tst_Database.pg tst_Database.sqlite APPEND PROPERTY ENVIRONMENT "TZ=Asia/Shanghai")

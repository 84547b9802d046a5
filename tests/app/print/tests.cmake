kwpos_add_test(tst_PrintCore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PrintCore.cpp)
kwpos_add_test(tst_StoredValueReport SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_StoredValueReport.cpp)

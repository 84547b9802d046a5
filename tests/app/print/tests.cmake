kwpos_add_test(tst_PrintCore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PrintCore.cpp)
kwpos_add_test(tst_StoredValueReport SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_StoredValueReport.cpp)
kwpos_add_test(tst_DevicePort SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_DevicePort.cpp LIBS kwpos_ui)
kwpos_add_test(tst_KwTdPrinter SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_KwTdPrinter.cpp LIBS kwpos_ui)

kwpos_add_test(tst_frmSaleBill SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmSaleBill.cpp LIBS kwpos_ui)
kwpos_add_test(tst_PosDialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PosDialogs.cpp LIBS kwpos_ui)

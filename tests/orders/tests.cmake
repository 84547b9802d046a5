kwpos_add_test(tst_OrderExchange SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_OrderExchange.cpp LIBS kwpos_ui)
kwpos_add_test(tst_frmOrderCkMxb SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmOrderCkMxb.cpp LIBS kwpos_ui)

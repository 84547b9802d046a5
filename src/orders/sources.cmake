list(APPEND KWPOS_CORE_SOURCES
  src/orders/OrderExchange.cpp
  src/orders/OrderOutDetail.cpp
  src/orders/OrderValidity.cpp
)
list(APPEND KWPOS_UI_SOURCES
  src/orders/frmOrderAdjBill.cpp
  src/orders/frmOrderAdjSelItem.cpp
  src/orders/frmOrderCkMxb.cpp
)

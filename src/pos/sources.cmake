list(APPEND KWPOS_CORE_SOURCES
  src/pos/ItemLookup.cpp
  src/pos/VipCardLookup.cpp
)
list(APPEND KWPOS_UI_SOURCES
  src/pos/frmEditDate.cpp
  src/pos/frmInputQty.cpp
  src/pos/frmReadVip.cpp
  src/pos/frmSaleBill.cpp
)

list(APPEND KWPOS_UI_SOURCES
  src/app/print/DevicePort.cpp
)

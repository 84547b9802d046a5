list(APPEND KWPOS_CORE_SOURCES
  src/app/print/GridFormatStore.cpp
  src/app/print/GridSnapshot.cpp
  src/app/print/PrintTemplate.cpp
  src/app/print/RecordSet.cpp
  src/app/print/StoredValueReport.cpp
  src/app/print/TemplateLibrary.cpp
  src/app/print/TemplateStore.cpp
)
list(APPEND KWPOS_UI_SOURCES
  src/app/print/DevicePort.cpp
  src/app/print/FileChooser.cpp
  src/app/print/GridExporter.cpp
  src/app/print/GridRoutines.cpp
  src/app/print/KwTdPrinter.cpp
  src/app/print/PageSetDialog.cpp
  src/app/print/TemplateRenderer.cpp
  src/app/print/ZPPrinter.cpp
  src/app/print/frmTdDesigner.cpp
  src/app/print/frmVipReport.cpp
)

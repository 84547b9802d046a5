list(APPEND KWPOS_CORE_SOURCES
  src/app/db/BillNumbers.cpp
  src/app/db/ConnectionString.cpp
  src/app/db/Database.cpp
  src/app/db/DemoData.cpp
  src/app/db/Dialect.cpp
  src/app/db/Row.cpp
  src/app/db/Schema.cpp
  src/app/db/Transaction.cpp
)

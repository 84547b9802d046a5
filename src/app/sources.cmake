list(APPEND KWPOS_CORE_SOURCES
  src/app/AccountSets.cpp
  src/app/Authenticator.cpp
  src/app/FileVersion.cpp
  src/app/KwStore.cpp
  src/app/NumberText.cpp
  src/app/PasswordHash.cpp
  src/app/Prompts.cpp
  src/app/Routines.cpp
  src/app/Session.cpp
  src/app/UserGrants.cpp
)
list(APPEND KWPOS_UI_SOURCES
  src/app/DialogLayout.cpp
  src/app/DialogRunner.cpp
  src/app/EnterMovesFocus.cpp
  src/app/FrmMain.cpp
  src/app/frmModifyPwd.cpp
  src/app/KeyPreview.cpp
  src/app/KeyedGrid.cpp
  src/app/Login.cpp
  src/app/LoginDialog.cpp
  src/app/MessageBoxPrompts.cpp
  src/app/Screenshots.cpp
  src/app/Startup.cpp
  src/app/frmGrant.cpp
)

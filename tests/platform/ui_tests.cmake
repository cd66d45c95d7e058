# User-interface tests: controllers, windows, scenes, application notifications, symbols.
set(_uitests "${CMAKE_CURRENT_LIST_DIR}/ui")
kavio_platform_test(platform_ui_tests
  ${_uitests}/UiTestSupport.h
  ${_uitests}/ViewControllerTests.cpp
  ${_uitests}/PresentationTests.cpp
  ${_uitests}/ApplicationTests.cpp
  ${_uitests}/SceneTests.cpp
  ${_uitests}/SymbolsTests.cpp
)

# User-interface tests: controllers, windows, scenes, application notifications, symbols,
# small views. Offscreen, so they need no display.
set(_uitests "${CMAKE_CURRENT_LIST_DIR}/ui")
add_executable(platform_ui_tests
  ${_uitests}/main.cpp
  ${_uitests}/UiTestSupport.cpp ${_uitests}/UiTestSupport.h
  ${_uitests}/ViewControllerTests.cpp
  ${_uitests}/PresentationTests.cpp
  ${_uitests}/WindowTests.cpp
  ${_uitests}/ApplicationTests.cpp
  ${_uitests}/SceneTests.cpp
  ${_uitests}/DispatchTests.cpp
  ${_uitests}/SymbolsTests.cpp
  ${_uitests}/ViewsTests.cpp
)
target_link_libraries(platform_ui_tests PRIVATE kavio_platform GTest::gtest GTest::gmock)
gtest_discover_tests(platform_ui_tests
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  DISCOVERY_TIMEOUT 30
)

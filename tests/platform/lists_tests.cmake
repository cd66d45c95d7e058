# List tests: table view, cells, refresh control, collection view. Offscreen.
set(_liststests "${CMAKE_CURRENT_LIST_DIR}/lists")
add_executable(platform_lists_tests
  ${_liststests}/main.cpp
  ${_liststests}/ListTestSupport.cpp ${_liststests}/ListTestSupport.h
  ${_liststests}/TableViewGeometryTests.cpp
  ${_liststests}/TableViewTests.cpp
  ${_liststests}/TableViewInputTests.cpp
  ${_liststests}/TableViewControllerTests.cpp
  ${_liststests}/RefreshControlTests.cpp
  ${_liststests}/CollectionViewTests.cpp
)
target_link_libraries(platform_lists_tests PRIVATE kavio_platform GTest::gtest)
gtest_discover_tests(platform_lists_tests
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  DISCOVERY_TIMEOUT 30
)

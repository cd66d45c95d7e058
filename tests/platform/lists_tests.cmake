# List tests: table view and its screen, refresh control, collection view.
set(_liststests "${CMAKE_CURRENT_LIST_DIR}/lists")
kavio_platform_test(platform_lists_tests
  ${_liststests}/ListTestSupport.h
  ${_liststests}/TableViewGeometryTests.cpp
  ${_liststests}/TableViewTests.cpp
  ${_liststests}/TableViewInputTests.cpp
  ${_liststests}/RefreshControlTests.cpp
  ${_liststests}/CollectionViewTests.cpp
)

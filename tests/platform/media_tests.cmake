# Media tests. Unit tests need no display, sound or bus; the playback test plays clips it
# makes with ffmpeg; the D-Bus tests get a private session bus from dbus-run-session.
add_executable(platform_media_tests
  media/main.cpp
  media/MediaTestSupport.h
  media/PlayerTests.cpp
  media/AudioSessionTests.cpp
  media/RemoteCommandTests.cpp
  media/MprisMappingTests.cpp
  media/PlayerViewTests.cpp
)
target_link_libraries(platform_media_tests PRIVATE kavio_platform GTest::gtest)
gtest_discover_tests(platform_media_tests
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"
  DISCOVERY_TIMEOUT 30
)

add_executable(platform_media_playback_tests
  media/main.cpp
  media/MediaTestSupport.h
  media/PlaybackTests.cpp
)
target_link_libraries(platform_media_playback_tests PRIVATE kavio_platform GTest::gtest)
gtest_discover_tests(platform_media_playback_tests
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"
             TIMEOUT 60
  DISCOVERY_TIMEOUT 30
)

add_executable(platform_media_dbus_tests
  media/main.cpp
  media/MediaTestSupport.h
  media/MprisDBusTests.cpp
  media/ScreenSaverDBusTests.cpp
)
target_link_libraries(platform_media_dbus_tests PRIVATE kavio_platform GTest::gtest)
add_test(NAME platform_media_dbus_tests
  COMMAND dbus-run-session -- $<TARGET_FILE:platform_media_dbus_tests>)
set_tests_properties(platform_media_dbus_tests PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

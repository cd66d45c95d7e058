# Media tests. Unit tests need no display, sound or bus; the playback test plays clips it
# makes with ffmpeg; the D-Bus tests get a private session bus from dbus-run-session.
set(_mediatests "${CMAKE_CURRENT_LIST_DIR}/media")
kavio_platform_test(platform_media_tests
  ${_mediatests}/MediaTestSupport.h
  ${_mediatests}/PlayerTests.cpp
  ${_mediatests}/AudioSessionTests.cpp
  ${_mediatests}/RemoteCommandTests.cpp
  ${_mediatests}/MprisMappingTests.cpp
  ${_mediatests}/PlayerViewTests.cpp
)
kavio_platform_test(platform_media_playback_tests ${_mediatests}/MediaTestSupport.h ${_mediatests}/PlaybackTests.cpp)

kavio_platform_test_binary(platform_media_dbus_tests ${_mediatests}/MediaTestSupport.h ${_mediatests}/DBusTests.cpp)
add_test(NAME platform_media_dbus_tests COMMAND dbus-run-session -- $<TARGET_FILE:platform_media_dbus_tests>)
set_tests_properties(platform_media_dbus_tests PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

# Media: player, audio session, remote commands, now playing, MPRIS.
target_sources(kavio_platform PRIVATE
  Player.cpp Player.h
  QtPlayer.cpp QtPlayer.h
  FakePlayer.cpp FakePlayer.h
  PlayerVideoSurface.cpp PlayerVideoSurface.h
  PlayerControlsBar.cpp PlayerControlsBar.h
  PlayerView.cpp PlayerView.h
  AudioSession.cpp AudioSession.h
  ScreenSaverInhibitor.cpp ScreenSaverInhibitor.h
  RemoteCommandCenter.cpp RemoteCommandCenter.h
  NowPlayingInfoCenter.cpp NowPlayingInfoCenter.h
  MprisMetadata.cpp MprisMetadata.h
  MprisArtworkStore.cpp MprisArtworkStore.h
  MprisClient.cpp MprisClient.h
  MprisAdaptors.cpp MprisAdaptors.h
  MprisService.cpp MprisService.h
)

# User interface: application, windows and scenes, controllers, symbols, small views.
set(_ui "${CMAKE_CURRENT_LIST_DIR}")
target_sources(kavio_platform PRIVATE
  ${_ui}/Animated.cpp
  ${_ui}/Application.cpp ${_ui}/Application.h
  ${_ui}/BlurView.cpp ${_ui}/BlurView.h
  ${_ui}/CircleButton.cpp ${_ui}/CircleButton.h
  ${_ui}/Dispatch.cpp ${_ui}/Dispatch.h
  ${_ui}/Labels.cpp ${_ui}/Labels.h
  ${_ui}/Scene.cpp ${_ui}/Scene.h
  ${_ui}/Symbols.cpp ${_ui}/Symbols.h
  ${_ui}/ViewController.cpp ${_ui}/ViewController.h
  ${_ui}/ViewControllerTransition.cpp ${_ui}/ViewControllerTransition.h
  ${_ui}/Window.cpp ${_ui}/Window.h
)

# The symbol set, as ":/symbols/<name>.svg".
file(GLOB KAVIO_SYMBOL_FILES CONFIGURE_DEPENDS "${_ui}/../resources/symbols/*.svg")
qt_add_resources(kavio_platform "kavio_symbols"
  PREFIX "/symbols"
  BASE "${_ui}/../resources/symbols"
  FILES ${KAVIO_SYMBOL_FILES}
)

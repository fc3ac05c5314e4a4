# The window, the chart layer, the display and the start-up (Qt Widgets +
# Qt Charts). Qt Charts is used only inside Chart.cpp.
add_library(station_window STATIC
  ChartSeries.h ChartSeries.cpp
  BarSeries.h BarSeries.cpp
  LineSeries.h LineSeries.cpp
  Chart.h Chart.cpp
  ErrorReport.h ErrorReport.cpp
  StationProfile.h
  Unit1.h Unit1.cpp
  AnalysisDisplay.h AnalysisDisplay.cpp
  StationSetUp.h StationSetUp.cpp
  Startup.h Startup.cpp
)
set_target_properties(station_window PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(station_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(station_window PUBLIC station_core Qt6::Widgets PRIVATE Qt6::Charts)
sig_strict(station_window)

# Every third-party library comes from Debian packages (scripts/install-deps.sh).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
find_package(TBB REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
pkg_check_modules(LCMS2 REQUIRED IMPORTED_TARGET lcms2)
pkg_check_modules(EXIV2 REQUIRED IMPORTED_TARGET exiv2)
pkg_check_modules(PANGOCAIRO REQUIRED IMPORTED_TARGET pangocairo cairo fontconfig)

# OpenCV's split packages ship no CMake config; link by name and keep their
# headers as system headers so their deprecation warnings stay out of -Werror.
find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
add_library(vantrel_opencv INTERFACE)
target_include_directories(vantrel_opencv SYSTEM INTERFACE ${OPENCV_INCLUDE_DIR})
target_link_libraries(vantrel_opencv INTERFACE opencv_dnn opencv_objdetect opencv_imgproc opencv_core)

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Test Svg DBus)
set(CMAKE_AUTOMOC_MOC_OPTIONS "")
add_compile_definitions(QT_NO_KEYWORDS)
if(VANTREL_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

# SPDX-License-Identifier: GPL-3.0-or-later
# QCustomPlot for Windows as scripts/windows.sh builds it into its cache
# (cmake/qcustomplot-windows: a DLL, its import library and its header, no
# package files of its own), under the name Debian's package gives it on
# Linux. PURLO_QCUSTOMPLOT_PREFIX is the folder it was installed into.
if(NOT TARGET QCustomPlotQt6::QCustomPlotQt6)
  find_library(PURLO_QCUSTOMPLOT_IMPLIB NAMES libqcustomplot.dll.a
               PATHS ${PURLO_QCUSTOMPLOT_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_file(PURLO_QCUSTOMPLOT_DLL NAMES libqcustomplot.dll
            PATHS ${PURLO_QCUSTOMPLOT_PREFIX}/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT PURLO_QCUSTOMPLOT_IMPLIB OR NOT PURLO_QCUSTOMPLOT_DLL)
    set(QCustomPlotQt6_FOUND FALSE)
    set(QCustomPlotQt6_NOT_FOUND_MESSAGE
        "No QCustomPlot for Windows under PURLO_QCUSTOMPLOT_PREFIX (${PURLO_QCUSTOMPLOT_PREFIX})")
    return()
  endif()
  add_library(QCustomPlotQt6::QCustomPlotQt6 SHARED IMPORTED)
  set_target_properties(QCustomPlotQt6::QCustomPlotQt6 PROPERTIES
    IMPORTED_LOCATION ${PURLO_QCUSTOMPLOT_DLL}
    IMPORTED_IMPLIB ${PURLO_QCUSTOMPLOT_IMPLIB}
    INTERFACE_INCLUDE_DIRECTORIES ${PURLO_QCUSTOMPLOT_PREFIX}/include
    INTERFACE_COMPILE_DEFINITIONS QCUSTOMPLOT_USE_LIBRARY
    INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")
endif()
set(QCustomPlotQt6_FOUND TRUE)

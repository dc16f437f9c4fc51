# Precompiled headers: the Qt and GoogleTest headers take most of the UI's and the tests'
# compile time, so each target that includes them parses them once. BW_PCH=OFF compiles
# every file on its own (as a check that each includes what it uses).
option(BW_PCH "Precompile the Qt and GoogleTest headers" ON)

set(BW_QT_PCH_HEADERS
  <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QDir> <QFile> <QFrame>
  <QImage> <QLabel> <QLineEdit> <QMainWindow> <QMouseEvent> <QObject> <QPainter> <QPixmap>
  <QPushButton> <QScrollArea> <QScrollBar> <QSlider> <QString> <QTimer> <QToolButton>
  <QWidget>
  <algorithm> <cstdint> <functional> <memory> <string> <vector>)

# Precompiles the Qt headers for a UI target (extra: more headers, e.g. <QTest>).
function(bw_qt_pch target)
  if(BW_PCH)
    target_precompile_headers(${target} PRIVATE ${BW_QT_PCH_HEADERS} ${ARGN})
  endif()
endfunction()

# Precompiles GoogleTest for a test program.
function(bw_gtest_pch target)
  if(BW_PCH)
    target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <cstdint> <string> <vector>)
  endif()
endfunction()

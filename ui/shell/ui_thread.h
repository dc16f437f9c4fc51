#pragma once

#include <QCoreApplication>
#include <QThread>

/// Fails a debug build when UI-only code runs on another thread (the render thread must go
/// through the render bridge instead).
#define BW_ASSERT_UI_THREAD()                                                                      \
    Q_ASSERT_X(QCoreApplication::instance() == nullptr ||                                          \
                   QThread::currentThread() == QCoreApplication::instance()->thread(),             \
               Q_FUNC_INFO, "called outside the UI thread")

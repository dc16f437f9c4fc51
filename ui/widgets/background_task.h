#pragma once

#include "library/progress.h"

#include <functional>

#include <QString>

class QWidget;

namespace bw::ui {

/// Runs work on a thread of its own and returns once it has finished, rethrowing what it
/// threw. Meanwhile the UI thread goes on serving events — the engine's calls that wait for
/// it among them, so that playback never waits for a file — but holds back the user's input.
/// When the work takes longer than a moment, a modal window parented to parent shows label
/// and how far the work has come (from the ProgressFn it is handed), with a Cancel button when
/// cancellable: the ProgressFn then returns false, and the work throws Cancelled. UI thread
/// only; work must not touch widgets.
void RunInBackground(QWidget* parent,
                     const QString& label,
                     bool cancellable,
                     const std::function<void(const ProgressFn& progress)>& work);

/// True while RunInBackground waits (a timer that would start file work of its own leaves it
/// for its next turn).
bool BackgroundWorkRunning();

/// How long the work runs before its progress window shows, in milliseconds.
inline constexpr int ProgressWindowDelayMs = 400;

} // namespace bw::ui

// The silent batch commands with a display, run through the tool windows:
// started with parameters, the program fills the fields of a job's window as
// a person would, operates its start button, writes the report file and
// ends. Other parameters show the usage text. Without a display the same commands run with no
// window at all (shell/batch_job.h).
#pragma once

#include <QString>
#include <QStringList>

#include "shell/launcher_window.h"

class QWidget;

namespace zuruza {

// The usage text for `count` parameters, lines separated by CR LF.
QString BatchUsageText(int count);

// Runs the command of `parameters` (parameter 1 first). Called once, from
// the launcher's first timer tick.
void RunBatchCommand(QWidget* launcher, const QStringList& parameters, const ToolWindows& windows);

}  // namespace zuruza

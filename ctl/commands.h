#pragma once

#include <QStringList>

// The commands of quillonctl. Each one calls the same core function as the
// window's menu item or button does; nothing here computes or stores on its own.
namespace Ctl {

enum ExitCode : int { Ok = 0, Failed = 1, WrongUsage = 2 };

// arguments as the process got them, program name first.
int Run(const QStringList &arguments);

} // namespace Ctl

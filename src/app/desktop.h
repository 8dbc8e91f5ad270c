#pragma once

#include <QString>

namespace Desktop {

// Hands `path` to the desktop's default application for it and returns at once. The
// name goes as a file URL, never through a shell: disc names hold quotes, ";" and "$(…)".
// Whatever the desktop answers is not reported.
void openFile(const QString& path);

} // namespace Desktop

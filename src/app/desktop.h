#pragma once

#include <QString>

namespace Desktop {

// Hands the file `path` (the file system's bytes, which need not be UTF-8) to the desktop's
// default application for it and returns at once. The name goes as a file URL, never
// through a shell: disc names hold quotes, ";" and "$(…)".
// Whatever the desktop answers is not reported.
void openFile(const QByteArray& path);

} // namespace Desktop

#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QObject;

namespace Desktop {

// Hands the file `path` (the file system's bytes, which need not be UTF-8) to the desktop's
// default application for it and returns at once. The name goes as a file URL, never
// through a shell: disc names hold quotes, ";" and "$(…)". When the desktop cannot open it
// (no program is set up for the kind of file), `failed` hears why, later, on the caller's
// thread, while `context` lives.
void openFile(const QByteArray& path, QObject* context,
              const std::function<void(const QString& why)>& failed);

// The message for a file the desktop could not open.
QString openFailureText(const QByteArray& path, const QString& why);

} // namespace Desktop

// The one crossing between the GBK core and Qt's UTF-16 strings. It goes
// through code page 936 explicitly, never through the locale, so the window
// shows exactly what the core holds whatever LANG says.
#pragma once

#include <QString>

#include "text/text.h"

namespace vokari {

QString toQString(const Text& gbk);
// Characters GBK lacks become '?', as the core's own conversion does.
Text toText(const QString& s);

}  // namespace vokari

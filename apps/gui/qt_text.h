#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace wf::gui {

// Text inside the core is UTF-8, as QString's own std::string conversions assume.
inline QString ToQ(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string FromQ(const QString& s) {
  return s.toStdString();
}

// Core texts end lines with CR LF, which a label or message box would show as two breaks.
inline QString ToQLines(std::string_view s) {
  QString q = ToQ(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QChar('\r'), QChar('\n'));
  return q;
}

// The displayed form of an action or button text: "&&" is a literal ampersand, a single "&"
// marks the mnemonic and is not shown.
inline QString DisplayedText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QChar('&') && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace wf::gui

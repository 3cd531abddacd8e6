#include "core/SettingFields.h"

#include <QStringList>

#include "core/NativeName.h"

namespace qx {

QString FormatFields(const SettingFields& fields) {
  QStringList parts;
  for (const auto& [key, value] : fields) {
    // "/" stays readable in paths; space, "=" and "%" are always encoded.
    parts << key + QLatin1Char('=') + QString::fromLatin1(value.toPercentEncoding("/"));
  }
  return parts.join(QLatin1Char(' '));
}

std::optional<QMap<QString, QByteArray>> ParseFields(const QString& text) {
  QMap<QString, QByteArray> fields;
  for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const auto eq = part.indexOf(QLatin1Char('='));
    if (eq <= 0) return std::nullopt;
    fields.insert(part.left(eq), QByteArray::fromPercentEncoding(part.mid(eq + 1).toLatin1()));
  }
  if (fields.isEmpty()) return std::nullopt;
  return fields;
}

QByteArray PathField(const QString& path) {
  return NativeName(path);
}

QString PathFromField(const QByteArray& value) {
  return NameFromNative(value);
}

QString PathSetting(const QString& path) {
  if (path.isEmpty()) return {};
  return FormatFields({{QStringLiteral("path"), PathField(path)}});
}

QString PathFromSetting(const QString& text) {
  if (!text.startsWith(QLatin1String("path="))) return text;
  const auto fields = ParseFields(text);
  return fields ? PathFromField(fields->value(QStringLiteral("path"))) : QString();
}

}  // namespace qx

// Values of the settings store written as named fields, "key=value ...",
// each value percent-encoded from its bytes, so that any byte string (a
// file name that is not UTF-8) comes back as it was, and a newer program
// can add fields that an older entry simply lacks.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace qx {

using SettingFields = std::vector<std::pair<QString, QByteArray>>;

QString FormatFields(const SettingFields& fields);
// The fields of text by name; none when text is not of that form.
std::optional<QMap<QString, QByteArray>> ParseFields(const QString& text);

// A file name as a field's value and back (its bytes as the system has them).
QByteArray PathField(const QString& path);
QString PathFromField(const QByteArray& value);

// A setting that holds one file name, as "path=..."; an older plain name
// (absolute, so never of that form) reads as it was written.
QString PathSetting(const QString& path);
QString PathFromSetting(const QString& text);

}  // namespace qx

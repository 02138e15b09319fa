#pragma once

#include <QString>

#include <optional>

/// A 32-bit integer written as decimal (optional sign) or as hexadecimal after "$" (any
/// number of digits whose value fits 32 bits, read as the 32-bit pattern, so "$FF000000" is
/// negative). Leading blanks
/// are allowed; anything else, an empty text or a value out of range gives nothing.
std::optional<qint32> parseInteger(const QString &text);
/// parseInteger or TarnError "'text' is not a valid integer value".
qint32 toInteger(const QString &text);

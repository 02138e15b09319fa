#pragma once

// Windows-1251 as the system's own converters have it: the reference the program's ANSI code
// page is checked against. ICU's on Linux; on Windows, code page 1251 of the system itself,
// whatever the system's own ANSI code page is.

#include <QByteArray>
#include <QString>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

/// The Windows-1251 bytes of `text`; a character the code page lacks is written as the
/// converter writes it, never by a look-alike.
inline QByteArray cp1251(const QString &text)
{
#ifdef Q_OS_WIN
    if (text.isEmpty())
        return QByteArray();
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = int(text.size());
    const int n = WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, nullptr,
                                      nullptr);
    QByteArray bytes(n, Qt::Uninitialized);
    WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, wide, size, bytes.data(), n, nullptr, nullptr);
    return bytes;
#else
    return QStringEncoder("windows-1251").encode(text);
#endif
}

inline QString fromCp1251(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    if (bytes.isEmpty())
        return QString();
    const int size = int(bytes.size());
    const int n = MultiByteToWideChar(1251, 0, bytes.constData(), size, nullptr, 0);
    QString text(n, Qt::Uninitialized);
    MultiByteToWideChar(1251, 0, bytes.constData(), size, reinterpret_cast<wchar_t *>(text.data()),
                        n);
    return text;
#else
    return QStringDecoder("windows-1251").decode(bytes);
#endif
}

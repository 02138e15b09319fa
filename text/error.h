#pragma once

#include <QString>

#include <exception>

/// The one error type of the program: a file or number conversion that failed. It carries
/// the message the user sees in the error box; the window's handler guard shows it.
class TarnError : public std::exception
{
public:
    explicit TarnError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

/// "Cannot open file "name". reason"
QString cannotOpenFileMessage(const QString &fileName, const QString &reason);
/// "Cannot create file "name". reason"
QString cannotCreateFileMessage(const QString &fileName, const QString &reason);
/// "'text' is not a valid integer value"
QString notValidIntegerMessage(const QString &text);

#include "text/error.h"

QString cannotOpenFileMessage(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason);
}

QString cannotCreateFileMessage(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason);
}

QString notValidIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

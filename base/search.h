#pragma once

// Searches over the whole staff base: by item name and by a property phrase.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class CombinedBase;
class StaffBase;

/// Which item names a phrase search may return: every name (the property search) or the
/// names of ListedNames, compared ignoring letter case (the property filter).
class AllowedNames
{
public:
    static AllowedNames everyName();
    static AllowedNames fromNames(const QStringList &names);

    bool isEveryName() const { return m_everyName; }
    /// The names given to fromNames, as given; a name is allowed when it equals one of them
    /// ignoring letter case.
    const QStringList &names() const { return m_names; }

private:
    bool m_everyName = true;
    QStringList m_names;
};

/// The text between the first and the second apostrophe; empty with fewer than two.
QString HeaderItemName(QStringView line);
/// HeaderItemName as a view into `line`.
QStringView headerItemNameIn(QStringView line);
/// Names of the header lines that contain the lower-cased query (the lines themselves are not
/// lower-cased), in base order, each name once ignoring letter case; an empty name counts.
QStringList FindItemsByName(const StaffBase &base, const QString &query);
/// Names of the records with a line whose lower-case contains the lower-cased phrase, in base
/// order, each once ignoring letter case, empty names and names not allowed left out. A
/// header line counts for its own record; lines outside records never count.
QStringList FindItemsByPhrase(const StaffBase &base, const QString &phrase,
                              const AllowedNames &allowed);
/// The property filter's entries: the names of ListedNames whose records hold the phrase, in
/// base order; for an empty text (nothing can hold it) every name of ListedNames, in its order.
QStringList PropertyFilterNames(const StaffBase &base, const QString &text,
                                const QStringList &listedNames);

// The same searches over the staff base and the capture file read together: as if the capture
// file's records followed the staff base's, the staff records it replaces left out, each name
// listed once. Without a capture file, exactly the staff base's results.
QStringList FindItemsByName(const CombinedBase &base, const QString &query);
QStringList FindItemsByPhrase(const CombinedBase &base, const QString &phrase,
                              const AllowedNames &allowed);
QStringList PropertyFilterNames(const CombinedBase &base, const QString &text,
                                const QStringList &listedNames);

/// PropertyFilterNames that keeps, between calls, which records belong to ListedNames: filtering
/// the same ListedNames of the same base again, with any text, searches those records straight
/// away instead of looking every name up anew.
class PropertyFilter
{
public:
    QStringList names(const StaffBase &base, const QString &text, const QStringList &listedNames);
    QStringList names(const CombinedBase &base, const QString &text,
                      const QStringList &listedNames);

private:
    bool m_remembered = false;
    quint64 m_baseLoad = 0;
    quint64 m_capturedLoad = 0; ///< 0: no capture file was searched
    QStringList m_listedNames;
    QList<qsizetype> m_headers;         ///< positions in headerLines() of their records, ascending
    QList<qsizetype> m_capturedHeaders; ///< ... and in the capture file's
};

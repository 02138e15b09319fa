#include "base/combinedbase.h"

#include "base/capturefile.h"

#include <QSet>

#include <algorithm>

void CombinedBase::setStaffBase(StaffBase lines, ItemIndex index)
{
    m_staff = std::move(lines);
    m_staffIndex = std::move(index);
    combine();
}

void CombinedBase::setCaptureText(QString text)
{
    // The capture file is small: it is scanned on this thread, in one piece.
    m_captured = text.isEmpty() ? StaffBase() : staffBaseFromText(std::move(text), 1);
    m_capturedIndex = ScanItemIndex(m_captured, 1);
    combine();
}

void CombinedBase::combine()
{
    m_replacedHeaders.clear();
    QList<qsizetype> hiddenRows;
    QSet<QStringView> named;
    const QList<qsizetype> &staffHeaders = m_staff.headerLines();
    for (qsizetype header : m_captured.headerLines()) {
        const QStringView name = itemIndexNameOf(m_captured.line(header));
        if (name.isEmpty() || named.contains(name))
            continue;
        named.insert(name);
        for (qsizetype line : m_staff.headerLinesQuoting(name)) {
            if (itemIndexNameOf(m_staff.line(line)) == name)
                m_replacedHeaders.append(
                    std::lower_bound(staffHeaders.cbegin(), staffHeaders.cend(), line)
                    - staffHeaders.cbegin());
        }
        const qsizetype row = m_staffIndex.find(name);
        if (row >= 0)
            hiddenRows.append(row);
    }
    std::sort(m_replacedHeaders.begin(), m_replacedHeaders.end());
    m_replacedHeaders.erase(std::unique(m_replacedHeaders.begin(), m_replacedHeaders.end()),
                            m_replacedHeaders.end());
    std::sort(hiddenRows.begin(), hiddenRows.end());
    hiddenRows.erase(std::unique(hiddenRows.begin(), hiddenRows.end()), hiddenRows.end());
    m_index = ItemIndex::layered(m_staffIndex, std::move(hiddenRows), m_capturedIndex);
}

QStringList CombinedBase::recordLines(QStringView name) const
{
    QStringList lines = recordLinesNamed(m_captured, name);
    return lines.isEmpty() ? recordLinesNamed(m_staff, name) : lines;
}

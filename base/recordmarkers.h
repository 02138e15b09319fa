#pragma once

// The markers of a staff base's records, as the line scan and the item-index reader find them.

#include <QStringView>

/// A record's header line holds "Предмет".
inline constexpr QStringView kHeaderMarker = u"Предмет";
/// A record (a TreePad node) ends at a line holding "<end node>".
inline constexpr QStringView kEndMarker = u"<end node>";
/// The line after the class line, when it holds "Оценка", carries the class ratings.
inline constexpr QStringView kRatingsMarker = u"Оценка";
/// An item's level stands after "мин.уровень".
inline constexpr QStringView kLevelMarker = u"мин.уровень";
/// A lore line that begins with "Требует для использования:" lists the item's requirements.
inline constexpr QStringView kRequirementMarker = u"Требует для использования:";

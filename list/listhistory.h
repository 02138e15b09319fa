#pragma once

// The item list's history while the program runs: every command that changes the list is one
// step, which can be undone and redone.

#include "list/liststate.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// What a step of the history restores: the list (entries, selection, focus, sorted mode) and
/// ListedNames, the shadow list of captured names.
struct ListSnapshot
{
    ListState list;
    QStringList listedNames;
    /// The list's generation when it was read: raised by every write that changes the
    /// entries, the sorted mode or ListedNames (the window's list model counts them).
    quint64 generation = 0;
    bool operator==(const ListSnapshot &) const = default;
};

/// The undo and redo stacks of the item list. A step keeps only what its command changed: the
/// entries (and names) between the ends the two versions share, with the other version's
/// selection as ranges, so a step over a long list that changed a few entries costs a few
/// entries. The texts themselves are shared with the list, never copied.
class ListHistory
{
public:
    /// The oldest steps are dropped beyond this many,
    static constexpr int maxSteps = 200;
    /// and beyond this many entries and names held by the undo and redo steps together (24
    /// bytes each, their text being the list's own): 100 steps that each replace a whole list
    /// of 50,000 entries.
    static constexpr qsizetype defaultMaxHeldTexts = 5'000'000;

    explicit ListHistory(qsizetype maxHeldTexts = defaultMaxHeldTexts)
        : m_maxHeldTexts(maxHeldTexts)
    {}

    /// A step taken back or made again.
    struct Move
    {
        ListSnapshot snapshot; ///< the list and ListedNames to show now
        QString command; ///< what the step's command was, for example "поиск по свойству"
        qsizetype countBefore = 0; ///< entries before the move
        qsizetype countAfter = 0;  ///< entries after it
    };

    /// Records `command`, which turned `before` into `after`; nothing when it changed neither
    /// the entries, the sorted mode nor ListedNames. Of `after` only those three and its
    /// generation are taken (the selection and focus it left are read when the step is
    /// undone). Whatever could be redone is dropped, and every step when `before` is not at
    /// the generation the history last left: the list was written since by other means.
    void record(const ListSnapshot &before, const ListSnapshot &after, const QString &command);
    bool canUndo() const { return !m_undo.isEmpty(); }
    bool canRedo() const { return !m_redo.isEmpty(); }
    qsizetype undoCount() const { return m_undo.size(); }
    /// The list as it was before the last step, given the list as it is now (`current`),
    /// which must be the list the step left, at the generation it left; nothing when there
    /// is no step. A list changed since by other means than a recorded step (another
    /// generation) clears the history, so a step is never spliced into another list.
    std::optional<Move> undo(const ListSnapshot &current);
    /// The list as the last undone step left it; as undo.
    std::optional<Move> redo(const ListSnapshot &current);
    /// The list a move gave is shown now, at `generation`: the next move is checked against
    /// that. Until it is told, the history expects the generation the list had before the
    /// move (the Move's snapshot carries it).
    void moveShown(quint64 generation);
    void clear();
    /// The entries and names the steps hold, all told: what the history costs beyond the list.
    qsizetype heldTexts() const;

    /// The middle of one version of a list of texts that differs from the other version: at
    /// `at`, `length` texts in the version shown, `other` in the version not shown.
    struct Splice
    {
        qsizetype at = 0;
        qsizetype length = 0;
        QStringList other;
    };
    /// One version of the list as the step holds it, apart from the version shown.
    struct Step
    {
        Splice entries;
        Splice names;
        QList<std::pair<qsizetype, qsizetype>> selected; ///< the other version's, as ranges
        qsizetype focused = -1;
        bool sorted = false;
        QString command;
        qsizetype shownCount = 0; ///< the entries of the version shown when the step is taken
        qsizetype shownNames = 0;
    };

private:
    std::optional<Move> move(QList<Step> &from, QList<Step> &to, const ListSnapshot &current);
    /// Drops steps until what they hold fits the bound: the oldest undo steps first, then the
    /// redo steps farthest from the list shown; the newest step of `keep` stays whatever it
    /// holds, so the last command can always be undone and the last undo made again.
    void fitHeldTexts(const QList<Step> &keep);

    QList<Step> m_undo;
    QList<Step> m_redo;
    qsizetype m_maxHeldTexts;
    /// The generation of the list the history last left (by a step, or a move once shown):
    /// the newest step of either side is taken only from the list at this generation.
    quint64 m_shownGeneration = 0;
};

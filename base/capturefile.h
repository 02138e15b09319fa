#pragma once

// The capture file: a base of the player's own beside the staff base, into which «В базу»
// puts identified items. It is a TreePad file like the staff base (a header line, then nodes
// of "dt=Text", "<node>", title, depth, text lines and the end line), one root node and one
// child node per item titled with the item's name, written in Windows-1251 without a mark
// with CR LF. The player may open it in an outliner and add, move or edit nodes there: every
// write starts from the file as it stands and changes only the one record it captures, so
// every other byte stays as it was.

#include "base/identifypaste.h"
#include "text/textfile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class StaffBase;

/// The capture file's name in the working folder.
inline constexpr QStringView captureFileName = u"staff-new.hjt";

/// One node of a TreePad text: where its lines stand in the text.
struct TreePadNode
{
    qsizetype start = 0;     ///< its "dt=" line
    qsizetype end = 0;       ///< after its end line's break; the text's end for a node left open
    qsizetype textStart = 0; ///< its first text line, after the depth line
    qsizetype textEnd = 0;   ///< its end line, or `end` for a node left open
    qsizetype firstTextLine = 0; ///< line numbers of the text's first line and of the end line
    qsizetype endLine = 0;       ///< (the text's line count for a node left open)
    QString title;
    QString depth; ///< the depth line as written («0» for the root)
};

/// A TreePad text cut into nodes; lines outside nodes are no node's. Empty when the text does
/// not begin with TreePad's header line «<Treepad version …>».
QList<TreePadNode> treePadNodes(QStringView text);
/// Whether a text is a TreePad file: its first line begins with «<Treepad version».
bool isTreePadText(QStringView text);

/// The text of a new capture file holding one root node and no item.
QString newCaptureFileText();
/// One item node: "dt=Text", "<node>", the item's name as the title, depth 1, the record's
/// lines and the end line, each followed by CR LF.
QString captureNodeText(const IdentifiedRecord &record);

/// What a capture changed in the file's text, so that it can be taken back: `inserted` stands
/// where `removed` stood, at `at`.
struct CaptureEdit
{
    qsizetype at = 0;
    QString removed;
    QString inserted;
    bool createdFile = false; ///< there was no capture file before
    bool operator==(const CaptureEdit &) const = default;
};

/// What one capture did.
struct CaptureResult
{
    enum class Outcome {
        Added,     ///< a node was appended for the item
        Updated,   ///< the item's record in the file was replaced, in place
        Identical, ///< the record the player had is the same: nothing written
    };
    /// Where the record the player had came from.
    enum class Previous { None, StaffBase, CaptureFile };

    Outcome outcome = Outcome::Added;
    Previous previousFrom = Previous::None;
    QString name;
    QStringList previous; ///< the record the player had, as its base holds it; empty with None
    QStringList current;  ///< the record captured
    /// The capture file's whole text after the capture (as it stands, for Identical).
    QString fileText;
    CaptureEdit edit; ///< what to take back; nothing for Identical
};

/// The lines of the first record of the staff base (or of any base text) whose header names
/// `name` exactly as the item index names items: from its header line up to the next header
/// or end line. Empty when there is none.
QStringList recordLinesNamed(const StaffBase &base, QStringView name);

/// Whether two records are the same apart from blanks at the ends of their lines.
bool sameRecord(const QStringList &a, const QStringList &b);

/// Captures one record into the capture file at `path`: reads the file as it stands now,
/// replaces the record of the first node whose text holds a header naming the item exactly
/// (in place; the node's other lines, its title and depth stay), or appends a new node, or
/// creates the file. `staffRecord` is the staff base's record of the item (recordLinesNamed),
/// the one the player had when the file holds none; when the record captured is the same as
/// the one the player had, nothing is written. The file keeps the encoding it was read in; a
/// new one is Windows-1251 without a mark. The write is atomic and checked.
///
/// Throws TarnError "Cannot create file ..." and changes nothing when the file cannot be
/// read or written, is not a TreePad file, holds bytes that would not be written back the
/// same, or when the record holds a character that the file's encoding lacks (named in the
/// message) or a line with "<end node>", which would end its node early.
CaptureResult captureRecord(const QString &path, const IdentifiedRecord &record,
                            const QStringList &staffRecord);

/// Takes a capture back: the file as it stands now gets `edit.removed` again where the
/// capture put `edit.inserted` (the occurrence nearest to where it was put), and a file that
/// the capture created and that holds nothing else is removed. Returns the file's text after
/// (empty when removed). Throws TarnError, changing nothing, when the captured text is no
/// longer in the file (the player changed it since) or the file cannot be read or written.
QString undoCapture(const QString &path, const CaptureEdit &edit);

/// The capture file's text as the combined base reads it: empty when there is no file.
/// Throws TarnError "Cannot open file ..." when a file is there but cannot be read.
QString readCaptureFileText(const QString &path);

#pragma once

#include "base/capturefile.h"
#include "base/combinedbase.h"
#include "base/itemindex.h"
#include "base/search.h"
#include "base/staffbase.h"
#include "list/listhistory.h"
#include "list/liststate.h"
#include "list/outcomewords.h"
#include "state/saveplan.h"
#include "text/textfile.h"

#include <QHash>
#include <QKeySequence>
#include <QMainWindow>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

class BackgroundSaver;
class BaseFileWatch;
class BaseReader;
class BaseReload;
class ColourPicker;
class CopyBuffer;
class ItemIndexModel;
class ItemListWidget;
class ItemTableWidget;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class SearchComboBox;
class StatusLabel;
class UiServices;

/// The address of the program's community page: what a click on `Label2` opens; the label
/// shows it without the "https://".
inline constexpr QStringView communityPageAddress = u"https://vk.com/tarnbook";

/// The program's one window. Every control is a public member under its form name (also its
/// objectName); every handler is a public method without the sender. Handlers run from the
/// event wiring through `guarded`; a handler that runs another one (the programmatic clicks
/// below) calls it directly, so an error ends the whole chain and is reported once.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    /// How the start-up loads the staff base.
    enum class BaseLoadAtStart {
        /// Before the constructor returns: the window is whole from the start.
        Waited,
        /// On a worker thread, so that the window can be shown at once with the restored
        /// list. The table fills when the load is done; any handler run from the window
        /// before that first waits for the load (`guarded`). A missing file is told at once.
        InBackground,
    };

    /// `services` is not owned and must outlive the window; nullptr uses the real desktop.
    /// The constructor builds the form and then runs `FormCreate`, as the window's creation.
    explicit TForm1(UiServices *services = nullptr,
                    BaseLoadAtStart baseLoad = BaseLoadAtStart::Waited, QWidget *parent = nullptr);
    ~TForm1() override;

    /// Replaces the desktop services (nullptr: the real desktop again); not owned.
    void setUiServices(UiServices *services);
    UiServices &uiServices() const { return *m_services; }

    /// Runs a handler of the player's action: the start-up's base load is finished first, so
    /// that no handler sees a half-loaded base, and then the handler runs as `reportErrors`.
    void guarded(const std::function<void()> &handler);
    /// Runs one step; a TarnError or other std::exception ends it and its message is shown in
    /// the error box. The steps before the error stand and the window stays usable.
    void reportErrors(const std::function<void()> &step);

    /// True from the start of a background base load at start-up until the window has taken
    /// up its result.
    bool baseLoadPending() const { return m_baseReader != nullptr; }
    /// The reload of a changed base file, which nothing waits for.
    BaseReload &baseReload() const { return *m_baseReload; }
    /// Takes up the start-up's background base load, waiting for it when it is still running:
    /// BaseLines and ItemIndex become the loaded ones (or the error is shown), and the item
    /// table is rebuilt over them. Nothing when no load is pending.
    void finishBaseLoad();

    // ---- Controls -------------------------------------------------------------------------
    QPushButton *Button1 = nullptr;  ///< "Добавить"
    QPushButton *Button2 = nullptr;  ///< "Заменить"
    QPushButton *Button3 = nullptr;  ///< "Очистить"
    QPushButton *Button4 = nullptr;  ///< "Пакетные"
    QPushButton *Button5 = nullptr;  ///< "Пакетные - Биржа"
    QPushButton *Button6 = nullptr;  ///< "Загрузить"
    QPushButton *Button7 = nullptr;  ///< "Открыть"
    QPushButton *Button8 = nullptr;  ///< "Выбрать"
    QPushButton *Button10 = nullptr; ///< "гг"
    QPushButton *Button11 = nullptr; ///< "сг"
    QPushButton *Button12 = nullptr; ///< "г"
    QPushButton *Button13 = nullptr; ///< "кг"
    QPushButton *Button14 = nullptr; ///< "болт"
    QPushButton *Button15 = nullptr; ///< "Сорт"
    QPushButton *sBitBtn1 = nullptr; ///< save quick slot 1
    QPushButton *sBitBtn2 = nullptr;
    QPushButton *sBitBtn3 = nullptr;
    QPushButton *sBitBtn4 = nullptr; ///< load quick slot 1
    QPushButton *sBitBtn5 = nullptr;
    QPushButton *sBitBtn6 = nullptr;
    StatusLabel *Label1 = nullptr;       ///< the entry count, "0 предметов"
    QLabel *Label2 = nullptr;            ///< the community page link
    QLabel *Label3 = nullptr;            ///< "Цвет"
    StatusLabel *slot = nullptr;         ///< the wear slot of the shown item
    QLineEdit *Edit1 = nullptr;          ///< the staff base path
    QLineEdit *Edit3 = nullptr;          ///< the name search
    QComboBox *ComboBox1 = nullptr;      ///< packet prefix
    QComboBox *ComboBox2 = nullptr;      ///< exchange operation
    QComboBox *ComboBox3 = nullptr;      ///< packet postfix
    QComboBox *ComboBox4 = nullptr;      ///< exchange packet postfix
    SearchComboBox *ComboBox5 = nullptr; ///< property filter over the list
    SearchComboBox *ComboBox6 = nullptr; ///< property search over the whole base
    QCheckBox *CheckBox1 = nullptr;      ///< "добавить 'все.'"
    QCheckBox *CheckBox2 = nullptr;      ///< "АвтоСорт"
    ColourPicker *ColorBox1 = nullptr;   ///< background of the dark controls
    ColourPicker *ColorBox2 = nullptr;   ///< text colour of the dark controls
    QFrame *sPanel1 = nullptr;
    ItemListWidget *ListBox1 = nullptr; ///< the item list (ExtendedSelection, never widget-sorted)
    QSplitter *Splitter1 = nullptr;
    QPlainTextEdit *memo3 =
        nullptr; ///< the lore view (no wrap; palette Text is the default colour)
    ItemTableWidget *StringGrid2 = nullptr; ///< the item table, 4 columns, column 3 the ratings
    // ---- Hidden stores: no widgets, so never shown, focused or in the accessibility tree ----
    /// The item index as a table over `StringGrid1Index`: Name, Level, ClassHeader, Ratings.
    ItemIndexModel *StringGrid1 = nullptr;
    CopyBuffer *Memo2 = nullptr; ///< packet and copy buffer
    CopyBuffer *Memo4 = nullptr; ///< copy-all buffer
    /// "Язык": triggering it runs the keyboard-layout step (`Button9Click`).
    QAction *Button9 = nullptr;

    /// The item list's context menu: R1, c1, D2, N3, N1 (separator), e1, d1, C2, N2
    /// (separator), C3, P1, then N6 (separator), Undo1, Redo1, Compare1, Capture1. Shortcuts
    /// work only while `ListBox1` has the focus, but for those after N6, which work in the
    /// whole window.
    QMenu *PopupMenu1 = nullptr;
    QAction *R1 = nullptr;       ///< "Копировать" (Ctrl+C)
    QAction *c1 = nullptr;       ///< "Копировать все"
    QAction *D2 = nullptr;       ///< "Вставить" (Ctrl+V), as "Добавить"
    QAction *N3 = nullptr;       ///< "Вырезать" (Ctrl+X)
    QAction *N1 = nullptr;       ///< separator
    QAction *e1 = nullptr;       ///< "Удалить" (Del)
    QAction *d1 = nullptr;       ///< "Выделить все" (Ctrl+A)
    QAction *C2 = nullptr;       ///< "Сортировать" (Ctrl+S): the list's sorted mode
    QAction *N2 = nullptr;       ///< separator
    QAction *C3 = nullptr;       ///< "Сохранить список"
    QAction *P1 = nullptr;       ///< "Загрузить список"
    QAction *N6 = nullptr;       ///< separator before the history's two items
    QAction *Undo1 = nullptr;    ///< "Отменить" (Ctrl+Z or F11, in the whole window)
    QAction *Redo1 = nullptr;    ///< "Вернуть" (Ctrl+Shift+Z, Ctrl+Y or Shift+F11, ditto)
    QAction *Compare1 = nullptr; ///< "Сравнить" (Shift+F3, window-wide): two selected items
    /// "В базу" (Shift+F2, window-wide): identified items from the clipboard into the capture
    /// file
    QAction *Capture1 = nullptr;
    QAction *Help1 = nullptr; ///< "Справка" (F1, window-wide), in no menu
    /// The item table's context menu: N4, N5, E2. Shortcuts work only while `StringGrid2`
    /// has the focus.
    QMenu *PopupMenu2 = nullptr;
    QAction *N4 = nullptr; ///< "Сортировка" (Ctrl+S): by level, the list follows
    QAction *N5 = nullptr; ///< "Копировать" (Ctrl+C): the row's entry
    QAction *E2 = nullptr; ///< "Удалить" (Del): as the list's "Удалить"

    // ---- Shared state ---------------------------------------------------------------------
    /// The staff base, replaced by every load, read together with the capture file.
    CombinedBase BaseLines;
    ItemIndex StringGrid1Index;    ///< ItemIndex; change it only through setItemIndex
    PropertyFilter propertyFilter; ///< the property filter, with the records of ListedNames
    TextEncoding listEncoding = TextEncoding::Ansi;     ///< encoding the item list was read in
    TextEncoding settingsEncoding = TextEncoding::Ansi; ///< encoding settings.ini was read in
    /// The paste buffer: the clipboard text's lines, cut only at CR LF, LF and CR; the parser
    /// leaves them trimmed. A plain store, not a text document, which would also break lines
    /// at U+2028 and U+2029 and lay out every pasted character.
    QStringList Memo1;

    /// Replaces ItemIndex and refreshes the table `StringGrid1` over it.
    void setItemIndex(ItemIndex index);
    /// ListedNames, the plain names of the captured entries. The list's model keeps them beside
    /// the entries, so that every change of them counts as a change of the list.
    const QStringList &listedNames() const;
    void setListedNames(const QStringList &names);

    /// The quick slot's save button (`sBitBtn1`..`sBitBtn3`) and load button (`sBitBtn4`..
    /// `sBitBtn6`), slot 1 to 3.
    QPushButton *&quickSaveButton(int slot);
    QPushButton *&quickLoadButton(int slot);
    /// Both buttons of the slot take `hint` as their tooltip.
    void setQuickSlotHint(int slot, const QString &hint);
    /// Replaces the list and ListedNames by a list file's lines and shows the list; the list
    /// as shown. Throws TarnError "Cannot open file ..." before changing anything.
    ListState showListFile(const QString &path);

    // ---- Programmatic clicks: run the clicked control's handler at once ---------------------
    void clickButton9() { Button9Click(); }
    void clickButton6() { Button6Click(); }
    void clickN4() { N4Click(); }
    void clickListBox1() { ListBox1Click(); }
    /// Sets the item table's current row as a click on it would: when `row` differs from the
    /// current row, the row moves and `StringGrid2Click` runs; the same row does nothing.
    /// Rebuilding or resizing the table in code runs no handler. True when the click ran.
    bool setItemTableRowFromCode(int row);

    // ---- The three file dialogs; each gives the chosen path, or empty when cancelled --------
    QString runOpenDialog1(); ///< choose the staff base ("hjt treepad (*.hjt)", file must exist)
    QString runSaveDialog1(); ///< save the list (asks before overwriting)
    QString runOpenDialog2(); ///< load a list (file must exist)

    // ---- Saved state: the close's writes, also made by the saves between closes ------------
    /// settings.ini's lines for the window as it stands: its controls and outer bounds.
    QStringList savedSettingsLines() const;
    /// Writes `lines` to settings.ini. Throws TarnError "Cannot create file ...".
    void writeSettingsFile(const QStringList &lines);
    /// Writes `entries` to list.txt in the list's remembered encoding. Throws TarnError.
    void writeListFile(const QStringList &entries);
    /// False while list.txt, unread at start, still stands in the folder: only the close
    /// replaces it, and only after asking.
    bool listFileMayBeReplaced() const;
    /// What settings.ini and list.txt hold after the start-up, as far as the window knows.
    WrittenState filesAsRead() const;
    /// The close's writes without its questions or boxes, for the end of a session or a
    /// signal: settings.ini, then list.txt unless it is held back. Returns the messages of
    /// the writes that failed.
    QStringList saveForShutdown();

    // ---- Handlers: the window, its keyboard layout, the staff base, colours ----------------
    void FormCreate();
    /// Runs the shutdown. Returns false to keep the window open (the user chose to stay).
    /// An error escaping it is shown and also keeps the window open.
    bool FormClose();
    void SwitchKeyboardLayout();
    void Button9Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Label2Click();
    void ColorBox1Change();
    void ColorBox2Change();
    void Memo3Click();

    // ---- Handlers: the item list and the item table ----------------------------------------
    /// The paste buffer `Memo1` parsed into `list` and ListedNames: the buffer keeps the
    /// trimmed lines and `Label1` the count. The caller shows the list.
    void ParsePastedLines(ListState &list);
    /// The item table rebuilt from `entries` (the list as the caller holds it) and ItemIndex.
    void RebuildItemTable(const QStringList &entries);
    /// The item table rebuilt from the list as it is shown.
    void RebuildItemTable();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void R1Click();
    void c1Click();
    void N3Click();
    void e1Click();
    void d1Click();
    void C2Click();
    void C3Click();
    void P1Click();
    void sBitBtn1Click();
    void sBitBtn2Click();
    void sBitBtn3Click();
    void sBitBtn4Click();
    void sBitBtn5Click();
    void sBitBtn6Click();
    void N4Click();
    void N5Click();
    void StringGrid2Click();
    /// "Отменить" and "Вернуть": the list and ListedNames as they were before the last command
    /// that changed them, or as that command left them.
    void Undo1Click();
    void Redo1Click();
    /// "Сравнить": the two selected entries' items side by side; nothing unless exactly two
    /// entries are selected.
    void Compare1Click();
    /// "В базу": the identify output on the clipboard goes into the capture file, an item a
    /// node; what changed against the record the player had is shown and spoken. The staff
    /// base is never written nor read again.
    void Capture1Click();
    /// The capture file: `staff-new.hjt` in the working folder the window started in.
    const QString &captureFilePath() const { return m_captureFilePath; }
    /// "Справка": the keys and the help text in a window of their own (one at a time).
    void Help1Click();
    /// Paints one cell of the item table, `Rect` being the cell rectangle: the table's
    /// ordinary drawing through `drawOrdinary`, then the cell's own painting over it; a cell
    /// whose own painting covers all of it skips the ordinary drawing. Runs inside painting,
    /// where no error box can be shown: an error leaves the ordinary drawing.
    void StringGrid2DrawCell(QPainter *painter, int ACol, int ARow, const QRect &Rect,
                             const std::function<void()> &drawOrdinary);

    // ---- Handlers: the lore view and the searches ------------------------------------------
    // Key handlers get the Qt key code (Enter is Qt::Key_Return or Qt::Key_Enter); setting
    // Key to 0 swallows the key.
    void ListBox1Click();
    void ShowItemLore();
    /// The lore view shows the record `lines` of the item `key`, the slot label its slot.
    void showRecord(const QString &key, const QStringList &lines);
    void Edit3Click();
    void Edit3KeyDown(int &Key, Qt::KeyboardModifiers Shift);
    void ComboBox5Change();
    void ComboBox5Click();
    void ComboBox5CloseUp();
    void ComboBox5KeyDown(int &Key, Qt::KeyboardModifiers Shift);
    void ComboBox6Change();
    void ComboBox6Click();
    void ComboBox6KeyDown(int &Key, Qt::KeyboardModifiers Shift);

    // ---- Handlers: command packets ---------------------------------------------------------
    void Button4Click();
    void Button5Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();

    /// A window-wide key: a main button's command, or the focus to a search field.
    struct WindowKey
    {
        QWidget *control;
        QKeySequence key;
    };
    /// The window-wide keys, none of them one that a context menu binds to its own control.
    QList<WindowKey> windowKeys() const;
    /// The help window's list of the keys, made from the keys that are bound.
    QStringList keysHelp() const;
    /// The text the lore view shows until an item is chosen.
    static const QStringList &startHelpText();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    /// The staff base at `Edit1`'s path, read on a worker thread (start-up step 3 in the
    /// background). A missing file is taken up at once; a file that cannot be opened throws.
    void startBaseLoad();
    /// A load's result becomes BaseLines and ItemIndex; a missing file's message goes to the
    /// lore view.
    void takeUpBaseLoad(StaffBaseLoad load);
    /// The window tells, in its title and its cursor, that the base is still loading.
    void showBaseLoading(bool loading);
    /// The base file changed on disk and stood still: it is read again on the worker thread
    /// while the window answers from the base it has; a load at start still pending is let
    /// finish first.
    void reloadChangedBase();
    /// A reload's result becomes BaseLines and ItemIndex, unless the player has loaded another
    /// base since; the table and the lore shown follow without moving.
    void takeUpBaseReload(const QString &path, StaffBaseLoad load);
    /// A reload that failed at every try keeps the base and is told once, until a reload
    /// succeeds or the player loads a base.
    void tellFailedReload(const QString &path, const QString &message);
    /// The player loads a base: a reload in flight or waiting to retry is dropped.
    void supersedeBaseReload();
    /// After a reload: the table's cells from the new base, its current row kept, and the
    /// lore shown (if any) replaced only when its record changed.
    void showReloadedBase();
    /// The capture file read again into BaseLines and the item index; a file that cannot be
    /// read is told in the error box and the capture file read before stays.
    void readCaptureFile();
    /// The capture file changed on disk and stood still: read again, the table and the lore
    /// shown follow.
    void rereadChangedCaptureFile();
    /// The capture file's text becomes BaseLines' and the item index follows.
    void takeUpCaptureText(QString text);
    /// "Отменить" right after a capture: the capture file as it was before it. False when
    /// the last change was no capture (or the list changed since).
    bool undoLastCapture();
    void buildMenus();
    void wireEvents();
    /// Runs `handler` for every click on `button`, through the guard.
    void onClick(QPushButton *button, void (TForm1::*handler)());
    void applyDarkColours(bool background);

    std::unique_ptr<UiServices> m_desktopServices;
    UiServices *m_services = nullptr;

    // ---- Screen reader and keyboard (Unit1Access.cpp) ----
    void makeAccessible();
    void nameControls();
    void setKeyboardOrder();
    void bindWindowKeys();
    void bindContextMenuKeys();
    /// Gives `control` its accessible name and a description made of its hint (when the hint
    /// says more than the name), `more`, and its window-wide key.
    void speak(QWidget *control, const QString &name, const QString &more = {},
               bool hintSaysMore = false);
    void describe(QWidget *control);
    /// Enter on a button, Enter or Space on the link, a changed hint; true when taken.
    bool accessibilityEvent(QObject *watched, QEvent *event);
    struct SpokenMore
    {
        QString more;
        bool hintSaysMore = false;
    };
    QHash<const QWidget *, SpokenMore> m_spoken;

    // ---- The list's history (Unit1List.cpp) ----
    /// Runs `change`, a command that may change the list, as one step of the history named
    /// `command`; the step is recorded even when the command fails after a change stood. A
    /// command that succeeds is told to the screen reader in the words `spoken` gives for the
    /// list's new count.
    void changeList(const QString &command, const std::function<void()> &change,
                    QString (*spoken)(qsizetype count) = listCountSpoken);
    void applyListMove(const ListHistory::Move &move, const QString &done);
    void updateHistoryActions();
    ListSnapshot listSnapshot() const;
    ListHistory m_listHistory;

    // ---- The capture file (Unit1Capture.cpp) ----
    /// The last capture that wrote the file, while "Отменить" takes it back: until the list
    /// changes (its generation moves) or another step is undone.
    struct LastCapture
    {
        QList<CaptureEdit> edits; ///< in the order written
        QStringList names;
        quint64 listGeneration = 0;
    };
    std::optional<LastCapture> m_lastCapture;
    bool lastCaptureUndoable() const;
    QString m_captureFilePath;
    BaseFileWatch *m_captureWatch = nullptr; ///< the capture file, for changes on disk

    // ---- Lore view and searches (Unit1Lore.cpp) ----
    /// Gives the two search boxes their completion from the preset phrases.
    void attachPresetCompletion();
    void searchBaseByProperty();
    void filterListByProperty();
    /// The list becomes the entries of ListedNames whose records hold the filter's property.
    void showFilteredList();
    /// A name or property search's result becomes the list and ListedNames.
    void showSearchResult(const QStringList &names, bool sortList);

    BaseLoadAtStart m_baseLoadAtStart = BaseLoadAtStart::Waited;
    std::unique_ptr<BaseReader> m_baseReader; ///< a load of the base while it is pending
    BaseFileWatch *m_baseWatch = nullptr;     ///< the loaded base file, for changes on disk
    BaseReload *m_baseReload = nullptr;       ///< a changed base file read again
    bool m_reloadAfterStartLoad = false;      ///< the file changed while the start-up read it
    bool m_baseReloadFailed = false;          ///< a reload failed and was told
    QStringList m_shownLoreLines;             ///< the record in the lore view
    QString m_shownLoreKey;                   ///< its item key; empty when the view shows no record

    // ---- Saved state (Unit1State.cpp) ----
    /// list.txt stood in the folder at start but could not be read: closing must not replace
    /// it unasked.
    bool m_listFileUnread = false;
    /// Writes settings.ini and list.txt shortly after they change (app/desktop/backgroundsaver.cpp).
    BackgroundSaver *m_backgroundSaver = nullptr;
};

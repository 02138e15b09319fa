// The window's handlers on a loaded base under the offscreen platform, each timed from the
// user's action until the events it caused (layout, painting) have been processed: the time a
// click takes before the window answers. Also the start-up, from constructing the window to
// its first shown frame.

#include "benchdata.h"
#include "benchregistry.h"

#include "app/desktop/backgroundsaver.h"
#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "fakeuiservices.h"
#include "list/liststate.h"
#include "list/parser.h"
#include "text/textfile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

/// Runs everything the last action left queued: layout requests, updates and their painting.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

/// A working folder as the program finds it at start: the staff base under its default name
/// and the item list of the last session in list.txt.
class WorkingFolder
{
public:
    WorkingFolder(int items, const QStringList &entries)
    {
        const QString base = QDir(m_dir.path()).filePath(u"staff.hjt"_s);
        QFile::link(QFileInfo(basePath(items)).absoluteFilePath(), base);
        writeTextFile(QDir(m_dir.path()).filePath(u"list.txt"_s), entries, TextEncoding::Ansi);
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

/// The window as a user has it: a base loaded, a list of entries, the table built, shown.
class WindowFixture
{
public:
    explicit WindowFixture(int items)
        : m_items(items), m_entries(listEntries(loadedBase(items).index, listEntryCount)),
          m_folder(items, m_entries)
    {
        QDir::setCurrent(m_folder.path());
        m_form = std::make_unique<TForm1>(&m_services);
        // Until the start-up fills the window itself, load the base and the list here.
        if (m_form->BaseLines.isEmpty()) {
            m_form->Edit1->setText(u"staff.hjt"_s);
            m_form->clickButton6();
        }
        m_form->resize(1100, 800);
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get()))
            qWarning("The window was not exposed; painting is not measured.");
        resetList();
    }

    TForm1 &form() { return *m_form; }
    FakeUiServices &services() { return m_services; }
    int items() const { return m_items; }
    const QStringList &entries() const { return m_entries; }

    /// The list back to the fixture's entries, unsorted, with the table rebuilt. A save that
    /// the last change started is written here, outside the timed clicks.
    void resetList()
    {
        showEntries(m_entries);
        saver().saveNow();
    }
    BackgroundSaver &saver() { return *m_form->findChild<BackgroundSaver *>(); }

    void showEntries(const QStringList &entries)
    {
        m_form->ListBox1->setState(listStateOf(entries));
        QStringList names;
        for (const QString &entry : entries)
            names.append(ItemKey(entry)); // the plain names, as a paste leaves them
        m_form->setListedNames(names);
        m_form->RebuildItemTable();
        settle();
    }

private:
    int m_items;
    QStringList m_entries;
    WorkingFolder m_folder;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;
};

std::unique_ptr<WindowFixture> &fixtureSlot()
{
    static std::unique_ptr<WindowFixture> fixture;
    return fixture;
}

/// One window at a time: the 100,000-item base alone holds a few hundred megabytes.
WindowFixture &windowFor(int items)
{
    std::unique_ptr<WindowFixture> &fixture = fixtureSlot();
    if (!fixture || fixture->items() != items) {
        fixture.reset();
        fixture = std::make_unique<WindowFixture>(items);
    }
    return *fixture;
}

/// Times each iteration's action alone (the set-up before it is not counted) and keeps the
/// slowest, since a click must answer within the frame every time, not on average.
class ClickTimer
{
public:
    explicit ClickTimer(benchmark::State &state) : m_state(state) {}
    ~ClickTimer() { m_state.counters["max_ms"] = m_max * 1e3; }

    template<typename Action>
    void time(Action action)
    {
        const auto start = Clock::now();
        action();
        settle();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        m_state.SetIterationTime(seconds);
        m_max = std::max(m_max, seconds);
    }

private:
    benchmark::State &m_state;
    double m_max = 0;
};

void pressEnter(TForm1 &form, void (TForm1::*keyDown)(int &, Qt::KeyboardModifiers))
{
    int key = Qt::Key_Return;
    (form.*keyDown)(key, Qt::NoModifier);
}

/// Puts text in a search box without running its change handler, as typing up to Enter does
/// for a text that is not a preset.
void setBoxText(QComboBox *box, const QString &text)
{
    const QSignalBlocker blocker(box);
    box->setEditText(text);
}

/// Clicks the list or the table at a row, scrolled into view first (not timed).
void clickListRow(TForm1 &form, int row, ClickTimer &timer)
{
    const QModelIndex entry = form.ListBox1->itemModel()->index(row);
    form.ListBox1->scrollTo(entry);
    settle();
    const QPoint at = form.ListBox1->visualRect(entry).center();
    timer.time([&] { QTest::mouseClick(form.ListBox1->viewport(), Qt::LeftButton, {}, at); });
}

void clickTableRow(TForm1 &form, int row, ClickTimer &timer)
{
    const QModelIndex index = form.StringGrid2->model()->index(row, 0);
    form.StringGrid2->scrollTo(index);
    settle();
    const QPoint at = form.StringGrid2->visualRect(index).center();
    timer.time([&] { QTest::mouseClick(form.StringGrid2->viewport(), Qt::LeftButton, {}, at); });
}

/// A window benchmark: per-click operations report microseconds, heavy ones milliseconds.
void addWindow(const SuiteConfig &config, const QString &name, int items,
               std::function<void(benchmark::State &, WindowFixture &)> body,
               benchmark::TimeUnit unit = benchmark::kMicrosecond)
{
    add(config, name,
        [items, body](benchmark::State &state) {
            WindowFixture &fixture = windowFor(items);
            fixture.resetList();
            body(state, fixture);
            state.counters["items"] = double(fixture.form().StringGrid1Index.size());
        })
        ->UseManualTime()
        ->Unit(unit);
}

/// "Добавить" with "АвтоСорт", the clipboard holding what `clipboard` makes from the base's
/// index, into the list of 5,000 entries.
void addPaste(const SuiteConfig &config, const QString &name, int items,
              std::function<QString(const ItemIndex &)> clipboard)
{
    addWindow(
        config, name, items,
        [clipboard](benchmark::State &state, WindowFixture &f) {
            f.services().clipboard = clipboard(f.form().StringGrid1Index);
            f.form().CheckBox2->setChecked(true);
            ClickTimer timer(state);
            for (auto _ : state) {
                f.resetList();
                timer.time([&] { f.form().Button1Click(); });
            }
        },
        benchmark::kMillisecond);
}

void registerClicks(const SuiteConfig &config, int items)
{
    const QString n = QString::number(items);
    addWindow(config, u"window/select_lore/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  int k = 0;
                  for (auto _ : state)
                      clickListRow(f.form(), (k++ * 997) % int(f.entries().size()), timer);
              });
    addWindow(config, u"window/table_click/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  int k = 0;
                  for (auto _ : state)
                      clickTableRow(f.form(), (k++ * 991 + 1) % int(f.entries().size()), timer);
              });
    addWindow(config, u"window/filter/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  for (auto _ : state) {
                      f.resetList();
                      setBoxText(f.form().ComboBox5, searchPhrase);
                      timer.time([&] { pressEnter(f.form(), &TForm1::ComboBox5KeyDown); });
                  }
              });
    addWindow(config, u"window/filter_clear/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  for (auto _ : state) {
                      setBoxText(f.form().ComboBox5, searchPhrase);
                      pressEnter(f.form(), &TForm1::ComboBox5KeyDown);
                      settle();
                      setBoxText(f.form().ComboBox5, QString());
                      timer.time([&] { pressEnter(f.form(), &TForm1::ComboBox5KeyDown); });
                  }
              });
    addWindow(config, u"window/copy_all/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  for (auto _ : state)
                      timer.time([&] { f.form().c1Click(); });
              });
    addWindow(config, u"window/copy_selected/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  f.form().d1Click(); // every entry selected
                  settle();
                  ClickTimer timer(state);
                  for (auto _ : state)
                      timer.time([&] { f.form().R1Click(); });
              });
    addWindow(config, u"window/copy_entry/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  for (auto _ : state)
                      timer.time([&] { f.form().N5Click(); });
              });
    addWindow(config, u"window/delete_entry/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  int k = 0;
                  for (auto _ : state) {
                      f.resetList();
                      // A row near the top: every row below it moves up.
                      f.form().ListBox1->setCurrentRow(10 + k++ % 50);
                      settle();
                      timer.time([&] { f.form().e1Click(); });
                  }
              });
    const auto packet = [&](const QString &name, void (TForm1::*handler)()) {
        addWindow(config, u"window/packet_"_s + name + u'/' + n, items,
                  [handler](benchmark::State &state, WindowFixture &f) {
                      ClickTimer timer(state);
                      for (auto _ : state)
                          timer.time([&] { (f.form().*handler)(); });
                  });
    };
    packet(u"prefix"_s, &TForm1::Button4Click);
    packet(u"exchange"_s, &TForm1::Button5Click);
    packet(u"sort"_s, &TForm1::Button15Click);
    addWindow(config, u"window/packet_lore_quote/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  f.form().ListBox1->setCurrentRow(int(f.entries().size() / 2));
                  f.form().ListBox1Click();
                  settle();
                  ClickTimer timer(state);
                  for (auto _ : state)
                      timer.time([&] { f.form().Button10Click(); });
              });
    addWindow(config, u"window/table_repaint/"_s + n, items,
              [](benchmark::State &state, WindowFixture &f) {
                  ClickTimer timer(state);
                  for (auto _ : state)
                      timer.time([&] { f.form().StringGrid2->viewport()->repaint(); });
              });
    // Whole-base searches: the search, the new list and its table.
    addWindow(
        config, u"window/name_search/"_s + n, items,
        [](benchmark::State &state, WindowFixture &f) {
            ClickTimer timer(state);
            for (auto _ : state) {
                f.resetList();
                f.form().Edit3->setText(nameQuery);
                timer.time([&] { pressEnter(f.form(), &TForm1::Edit3KeyDown); });
            }
        },
        benchmark::kMillisecond);
    addWindow(
        config, u"window/property_search/"_s + n, items,
        [](benchmark::State &state, WindowFixture &f) {
            ClickTimer timer(state);
            for (auto _ : state) {
                f.resetList();
                setBoxText(f.form().ComboBox6, searchPhrase);
                timer.time([&] { pressEnter(f.form(), &TForm1::ComboBox6KeyDown); });
            }
        },
        benchmark::kMillisecond);
}

/// The item table and the paste, on the largest base.
void registerListWork(const SuiteConfig &config, int items)
{
    for (int count : {1000, listEntryCount}) {
        addWindow(
            config, u"window/rebuild_table/"_s + QString::number(count), items,
            [count](benchmark::State &state, WindowFixture &f) {
                // Two lists that differ in every row, shown in turn.
                const ItemIndex &index = f.form().StringGrid1Index;
                const QStringList lists[2] = {listEntries(index, count, 0),
                                              listEntries(index, count, 1)};
                ClickTimer timer(state);
                int k = 0;
                for (auto _ : state) {
                    f.form().ListBox1->setState(listStateOf(lists[k++ % 2]));
                    settle();
                    timer.time([&] { f.form().RebuildItemTable(); });
                }
            },
            benchmark::kMillisecond);
    }
    addWindow(
        config, u"window/sort_level/5000"_s, items,
        [](benchmark::State &state, WindowFixture &f) {
            ClickTimer timer(state);
            for (auto _ : state) {
                f.resetList();
                timer.time([&] { f.form().N4Click(); });
            }
        },
        benchmark::kMillisecond);
    addWindow(
        config, u"window/parse_paste/5000"_s, items,
        [](benchmark::State &state, WindowFixture &f) {
            const QStringList paste = pastedLines(f.form().StringGrid1Index, listEntryCount,
                                                  listEntryCount);
            ClickTimer timer(state);
            for (auto _ : state) {
                f.resetList();
                f.form().Memo1 = paste;
                // The parse with the list's one read before it and one write after it.
                timer.time([&] {
                    ListState list = f.form().ListBox1->state();
                    f.form().ParsePastedLines(list);
                    f.form().ListBox1->setState(list);
                });
            }
        },
        benchmark::kMillisecond);
    // A save between closes, on the window's thread: list.txt with the whole list of 5,000
    // entries, after one of them went.
    addWindow(
        config, u"window/background_save/5000"_s, items,
        [](benchmark::State &state, WindowFixture &f) {
            ClickTimer timer(state);
            for (auto _ : state) {
                f.resetList();
                ItemListWidget *list = f.form().ListBox1;
                list->itemModel()->setEntries(list->entries().mid(1));
                timer.time([&] { f.saver().saveNow(); });
            }
        },
        benchmark::kMillisecond);
    // "Отменить" and "Вернуть" of a delete of one entry from the list of 5,000: the list, the
    // table and the count as they were.
    for (const bool redo : {false, true}) {
        addWindow(
            config, redo ? u"window/redo/5000"_s : u"window/undo/5000"_s, items,
            [redo](benchmark::State &state, WindowFixture &f) {
                ClickTimer timer(state);
                for (auto _ : state) {
                    f.resetList();
                    f.form().ListBox1->setCurrentRow(listEntryCount / 2);
                    f.form().e1Click();
                    if (redo)
                        f.form().Undo1Click();
                    settle();
                    timer.time([&] { redo ? f.form().Redo1Click() : f.form().Undo1Click(); });
                }
            },
            benchmark::kMillisecond);
    }
    // "Добавить" as a whole: the parse, the table and, with "АвтоСорт", the level sort.
    const auto listing = [](int lines) {
        return [lines](const ItemIndex &index) {
            return pastedLines(index, lines, listEntryCount).join(u"\r\n"_s) + u"\r\n"_s;
        };
    };
    addPaste(config, u"window/paste_button/5000"_s, items, listing(listEntryCount));
    // Pastes far beyond any listing: one line of 20 MB and 200,000 lines.
    addPaste(config, u"window/paste_one_line/20MB"_s, items,
             [](const ItemIndex &) { return oneLinePaste(20'000'000); });
    addPaste(config, u"window/paste_lines/200000"_s, items, listing(200'000));
}

/// From constructing the window (its start-up loads the base and list.txt) to its first
/// shown frame.
void registerStartUp(const SuiteConfig &config, int items)
{
    add(config, u"window/startup/"_s + QString::number(items),
        [items](benchmark::State &state) {
            fixtureSlot().reset();
            const WorkingFolder folder(items, listEntries(loadedBase(items).index, listEntryCount));
            QDir::setCurrent(folder.path());
            FakeUiServices services;
            qsizetype loaded = 0;
            for (auto _ : state) {
                const auto start = Clock::now();
                auto form = std::make_unique<TForm1>(&services);
                form->show();
                const bool exposed = QTest::qWaitForWindowExposed(form.get());
                settle();
                state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
                loaded = form->StringGrid1Index.size();
                form.reset();
                settle();
                if (!exposed) {
                    state.SkipWithError("the window was not exposed");
                    break;
                }
            }
            state.counters["items"] = double(loaded);
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace

void registerWindowBenchmarks(const SuiteConfig &config)
{
    for (int items : config.sizes)
        registerClicks(config, items);
    if (!config.sizes.isEmpty())
        registerListWork(config, config.sizes.last());
    // The start-up of the 1,000,000-item base is left to the probe: each of its runs takes
    // seconds.
    for (int items : config.sizes) {
        if ((items >= 10000 && items <= 100000) || config.smoke)
            registerStartUp(config, items);
    }
}

void releaseWindows()
{
    fixtureSlot().reset();
}

} // namespace bench

#!/usr/bin/env bash
# Takes the README's screenshots of the window on a private X server (Xvfb with openbox) and
# writes them into docs/:
#   docs/screenshot-start.png    just started on the example base with the example list
#   docs/screenshot-lore.png     an item chosen: its lore in colour, its slot, its table row
#   docs/screenshot-search.png   a property search over the whole base, the first result shown
#   docs/screenshot-lore-150.png the lore shot at a display scaling of 150 %
#   docs/screenshot-compare.png  «Сравнить» with the first two entries of the example list
#   docs/screenshot-capture.png  «В базу» updating an item: what changed against its record
# Installs what is missing (the X server, the X tools and ImageMagick), builds the program,
# then drives it with xdotool; the search phrase reaches it through the clipboard (xclip).
#
#   scripts/screenshots.sh          BUILD_DIR selects the build folder (default build)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${TARNBOOK_PACKAGES[@]}" "${TARNBOOK_TEST_PACKAGES[@]}" imagemagick
BUILD_DIR="${BUILD_DIR:-$REPO_DIR/build}"
cmake -S "$REPO_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target tarnbook

DOCS_DIR="$REPO_DIR/docs"
SCRATCH="$(mktemp -d)"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[$i]}" 2>/dev/null || true
        wait "${pids[$i]}" 2>/dev/null || true
    done
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

# wait_until SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds.
wait_until() {
    local seconds="$1" what="$2"
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "Timed out after ${seconds} s waiting for $what" >&2
            exit 1
        fi
        sleep 0.1
    done
}

# A private X server on a free display, and a window manager on it.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$SCRATCH/display" 2>"$SCRATCH/xvfb.log" &
pids+=($!)
wait_until 15 "Xvfb to start" grep -q '[0-9]' "$SCRATCH/display"
export DISPLAY=":$(tr -d '[:space:]' <"$SCRATCH/display")"
openbox --sm-disable >"$SCRATCH/openbox.log" 2>&1 &
pids+=($!)
wait_until 10 "the window manager" wmctrl -m

# The program in a working folder like the demo's: the example base and the example list.
WORK_DIR="$SCRATCH/work"
mkdir -p "$WORK_DIR"
cp "$REPO_DIR/examples/staff.hjt" "$REPO_DIR/examples/list.txt" "$WORK_DIR/"
# start_program SCALE: the program at that display scaling (QT_SCALE_FACTOR), its window in
# WINDOW once it has its frame.
start_program() {
    (cd "$WORK_DIR" && QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$1" XDG_RUNTIME_DIR="$SCRATCH" \
        exec "$BUILD_DIR/tarnbook") 2>"$SCRATCH/tarnbook.log" &
    pids+=($!)
    program_pid=$!
    wait_until 30 "the program's window" window_of_program
    WINDOW="$(window_of_program)"
    wait_until 10 "the window frame" sh -c "xprop -id $WINDOW _NET_FRAME_EXTENTS | grep -q ="
}
window_of_program() {
    xdotool search --onlyvisible --pid "$program_pid" | head -n 1 | grep .
}
start_program 1

# shoot NAME [WINDOW]: the window's client area (the main one unless told) into
# docs/NAME.png, once the window has painted.
shoot() {
    xdotool mousemove 1270 790 # the pointer away from the window: no tooltip, no hover
    sleep 0.5
    import -window "${2:-$WINDOW}" -strip -define png:exclude-chunks=date,time \
        "$DOCS_DIR/$1.png"
    echo "docs/$1.png"
}
# click X Y [KEY...]: a left click at X, Y of the window's client area, then the keys.
click() {
    xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
    shift 2
    [ $# -eq 0 ] || xdotool key "$@"
}

mkdir -p "$DOCS_DIR"
shoot screenshot-start

# The second entry of the list, "длинный меч": the first row, then one row down.
click 60 48 Down
shoot screenshot-lore

# «Сравнить» (Shift+F3) with the first two entries selected, "старый фонарь" and "длинный меч".
comparison_window() {
    xdotool search --all --onlyvisible --pid "$program_pid" --name 'Сравнение' | head -n 1 | grep .
}
click 60 48 shift+Down shift+F3
wait_until 10 "the comparison" comparison_window
shoot screenshot-compare "$(comparison_window)"
xdotool key Escape

# A property search over the whole base: the phrase pasted into "Поиск по свойству", Enter.
printf '%s' 'здоровье' | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
pids+=($!)
wait_until 5 "the phrase on the clipboard" sh -c \
    "[ \"\$(xclip -selection clipboard -o)\" = 'здоровье' ]"
click 540 24 ctrl+a ctrl+v Return
click 60 48
shoot screenshot-search

# «В базу» (Shift+F2) with a newer identification of "длинный меч" on the clipboard, the
# client's echo and prompt around it: the window of what changed.
capture_window() {
    xdotool search --all --onlyvisible --pid "$program_pid" --name 'что изменилось' | head -n 1 | grep .
}
printf '%s\r\n' '123H 80M 400V Вых:СЮ> опознать меч' \
    "Предмет 'длинный меч', Тип предмета: Оружие" 'Вн  Ва  Сл  Пл' 'Оценка: 9, 9, 5, 7' \
    'Оружейное умение: Длинные лезвия' 'Требует для использования: сила 16' \
    'Флаги предмета: В_ПРАВУЮ_РУКУ !ПРОДАТЬ' 'мин.уровень 12' 'Модификаторы :' 'попадание +4' \
    'повреждение +2' 'спас-броски -2' 'Места лоада: Крепость у реки' '' '<123H 80M 400V>' \
    | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
pids+=($!)
wait_until 5 "the identify output on the clipboard" sh -c \
    "xclip -selection clipboard -o | grep -q 'попадание +4'"
xdotool key shift+F2
wait_until 10 "the capture's window" capture_window
shoot screenshot-capture "$(capture_window)"
xdotool key Escape
# The next start shows the example base as it is.
rm -f "$WORK_DIR/staff-new.hjt"

# The lore shot again at 150 %, the scaling many Windows laptops come with.
kill "$program_pid"
wait "$program_pid" 2>/dev/null || true
start_program 1.5
click 90 72 Down
shoot screenshot-lore-150

#!/usr/bin/env python3
# Usage: bench/gen_staffbase.py N OUTPUT.hjt [--seed S] [--utf8 COPY]
#
# Writes a synthetic staff base of N invented items: a TreePad outline (Windows-1251, CR LF)
# whose item nodes hold identification texts in the shape the program reads (header line,
# class line, ratings line, flags, "мин.уровень", modifiers, load places). The same N and seed
# always give the same bytes, so load figures can be compared between runs. --utf8 also writes
# the same text in UTF-8, for tools that cannot read Windows-1251 (ripgrep in the benchmarks).

import argparse
import random

CLASSES = ["Вн", "Ва", "Сл", "Вр", "Пл", "Рс", "Лк", "Нк", "Мг", "Др"]
ADJECTIVES = ["старый", "ржавый", "светлый", "тёмный", "резной", "кованый", "лёгкий", "тяжёлый",
              "древний", "гномий", "эльфийский", "рунный", "костяной", "медный", "серебряный",
              "узорчатый", "грубый", "походный", "боевой", "ритуальный"]
NOUNS = ["меч", "щит", "шлем", "плащ", "пояс", "браслет", "перстень", "амулет", "посох",
         "топор", "кинжал", "лук", "арбалет", "сапоги", "перчатки", "поножи", "нагрудник",
         "фонарь", "свиток", "фолиант", "зелье", "корень", "кольцо", "венец", "наручи"]
OWNERS = ["стражника", "мельника", "ведьмы", "тролля", "князя", "охотника", "шамана",
          "кузнеца", "лешего", "рыцаря", "", "", "", ""]
WEAR = ["Вы можете одеть это на тело.", "Вы можете одеть это на запястье.",
        "Вы можете одеть это на дополнительный слот.", "Вы можете одеть это на голову.",
        "Вы можете одеть это на шею.", "Вы можете накинуть это на плечи.",
        "Вы можете одеть это вокруг талии.", "Вы можете одеть это на кисти рук.",
        "Вы можете одеть это на руки.", "Вы можете одеть это на ноги.",
        "Вы можете использовать это как обувь.", "Вы можете одеть это на палец.",
        "Вы можете использовать это как щит."]
SKILLS = ["Рукопашный бой", "Длинные лезвия", "Короткие лезвия", "Проникающие", "Топоры",
          "Посохи", "Дубины и палицы", "Копья", "Луки", "Арбалеты", "Пращи", "Разнообразное  "]
TYPES = ["Обычный", "Оружие", "Броня", "Свиток", "Книга", "Напиток", "Ингредиент", "Свет"]
FLAGS = ["СВЕТ", "МАГИЧЕСКИЙ_СВЕТ", "!ПК", "ДЕРЖАТЬ", "В_ДВЕ_РУКИ", "!ВЫБИТЬ",
         "В_ПРАВУЮ_РУКУ", "В_ЛЕВУЮ_РУКУ", "ДАЛЬНЕГО_БОЯ", "!УКРАСТЬ", "!ПРОДАТЬ", "!РЕНТ",
         "РАССЫПЕТСЯ", "ВЗЯТЬ", "!НАЙТИ"]
BANS = ["!ВОИН", "!ВАРВАР", "!СЛЕДОПЫТ", "!ВОР", "!ПАЛАДИН", "!РЫЦАРЬ_СМЕРТИ", "!ЛЕКАРЬ",
        "!НЕКРОМАНТ", "!МАГ", "!ДРУИД"]
MODIFIERS = ["сила", "ловкость", "телосложение", "мудрость", "интеллект", "обаяние", "удача",
             "защита", "броня", "попадание", "повреждение", "макс.жизнь", "реген.жизни",
             "спас.воля", "спас.реакция"]
ZONES = ["город", "Тёмный лес", "Болото", "Старая крепость", "Пещеры гномов", "Курганы",
         "Северные горы", "Заброшенный храм", "Речной порт", "Глухая деревня"]
MATERIALS = ["железо", "бронза", "кожа", "ткань", "дерево", "кость", "серебро", "стекло"]


def item_name(rng, number):
    owner = rng.choice(OWNERS)
    name = f"{rng.choice(ADJECTIVES)} {rng.choice(NOUNS)}"
    if owner:
        name += " " + owner
    return f"{name} {number}"  # the number keeps every name distinct


def record(rng, number):
    name = item_name(rng, number)
    kind = rng.choice(TYPES)
    classes = rng.sample(CLASSES, rng.randint(3, len(CLASSES)))
    lines = [
        f"Предмет '{name}', Тип предмета: {kind}",
        "  ".join(classes),
        "Оценка: " + ", ".join(str(rng.randint(0, 10)) for _ in classes),
        f"Вес: {rng.randint(1, 40)}, Цена: {rng.randint(1, 5000)}, "
        f"Рента: {rng.randint(1, 300)}({rng.randint(300, 900)})",
        f"Материал: {rng.choice(MATERIALS)}",
        f"Прочность: {rng.randint(10, 90)}/{rng.randint(90, 120)}",
    ]
    if rng.random() < 0.3:
        lines.append(f"Требует для использования: сила {rng.randint(10, 30)}")
    if kind == "Оружие":
        lines.append(f"Оружейное умение: {rng.choice(SKILLS)}")
        lines.append(f"Наносимые повреждения '{rng.randint(1, 4)}D{rng.randint(4, 12)}'")
    elif kind in ("Броня", "Обычный", "Свет"):
        lines.append(rng.choice(WEAR))
    if rng.random() < 0.7:
        lines.append("Флаги предмета: " + " ".join(rng.sample(FLAGS, rng.randint(1, 4))))
    if rng.random() < 0.4:
        lines.append("Неудобства: " + " ".join(rng.sample(BANS, rng.randint(1, 3))))
    if rng.random() < 0.2:
        lines.append(f"Умение: {rng.choice(['парировать', 'пнуть', 'спрятаться'])} {rng.randint(1, 30)}")
    if rng.random() < 0.15:
        lines.append(f"Цвет: {rng.choice(['красный', 'синий', 'зелёный'])}")
    if rng.random() < 0.97:  # a few items have no level line
        lines.append(f"мин.уровень {rng.randint(1, 35)}, таймер {rng.randint(1, 999)}")
    if rng.random() < 0.8:
        lines.append("Модификаторы :")
        for modifier in rng.sample(MODIFIERS, rng.randint(1, 5)):
            value = rng.choice([-3, -2, -1, 1, 2, 3, 5, 10, 25])
            lines.append(f"   {modifier} {value:+d}")
    if rng.random() < 0.9:
        heading = "Места лоада:" if rng.random() < 0.8 else "Зона лоада:"
        lines.append(f"{heading} {', '.join(rng.sample(ZONES, rng.randint(1, 3)))}")
    return name, lines


def node(title, level, lines):
    return ["dt=Text", "<node>", title, str(level)] + lines + ["<end node> 5P9i0s8y19Z"]


def main():
    parser = argparse.ArgumentParser(description="Synthetic staff base generator")
    parser.add_argument("count", type=int, help="number of items")
    parser.add_argument("output", help="the .hjt file to write")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--utf8", help="also write the text in UTF-8 to this file")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    out = ["<Treepad version 3.0>"] + node("Стаф", 0, ["Предметы, собранные в игре."])
    for number in range(1, args.count + 1):
        name, lines = record(rng, number)
        out += node(name, 1, lines)
    text = "\r\n".join(out) + "\r\n"
    with open(args.output, "wb") as f:
        f.write(text.encode("cp1251"))
    if args.utf8:
        with open(args.utf8, "wb") as f:
            f.write(text.encode("utf-8"))


if __name__ == "__main__":
    main()

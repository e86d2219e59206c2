#!/usr/bin/python3
"""Fault sites for scripts/mutate: finds, samples and plants them.

  mutate_sites.py sites ROOT SEED N FILE...   print the sampled sites, one a line
  mutate_sites.py plant ROOT SITE            rewrite ROOT/<file of SITE> with the fault
  mutate_sites.py sync FROM TO               make the tree TO equal FROM, rewriting only
                                             the files that differ (the rest keep their
                                             times, so their objects are not rebuilt)

A site line is tab-separated: file, line, kind, column, old text, new text.
Only code is mutated: comments, string and character literals and
preprocessor lines are masked out before any pattern is looked for, so a
fault never lands in text the compiler ignores or in a message.
"""
import filecmp
import os
import random
import re
import shutil
import sys
from collections import defaultdict

KINDS = ("flip", "bound", "drop_cond", "constant", "skip")

FLIP = {"<": ">=", ">=": "<", ">": "<=", "<=": ">", "==": "!=", "!=": "=="}
BOUND = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
KEYWORDS = {"return", "if", "while", "for", "switch", "delete", "throw", "case", "sizeof",
            "static_assert", "alignas", "decltype", "co_return", "catch", "else", "do", "new"}
# Comparisons only where spaced as the code style writes them: `a < b`, never
# `vector<int>` or `<<`.
CMP_RE = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
PLUS_ONE_RE = re.compile(r"\s\+\s1(?![\w.'])")
AND_RE = re.compile(r"\s&&\s")
INT_RE = re.compile(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])")
CALL_RE = re.compile(r"^(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*)\(.*\);)\s*$")
RETURN_RE = re.compile(r"^(\s*)(return\b.*;)\s*$")
GUARD_RE = re.compile(r"^(\}\s*)?(else\s+)?if\s*\(.*\)\s*\{?$|^(\}\s*)?else\s*\{?$")


def mask(text):
    """The text with comments, literals and preprocessor lines blanked (newlines kept)."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if line_start and c not in " \t\n":
            line_start = False
            if c == "#":
                j = i
                while j < n and not (text[j] == "\n" and text[j - 1] != "\\"):
                    j += 1
                blank(i, j)
                i = j
                continue
        if c == "\n":
            line_start = True
            i += 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and i + 1 < n and text[i + 1] == '"' and (i == 0 or not (text[i - 1].isalnum() and text[i - 1] not in "uUL8")):
            m = re.match(r'R"([^(\s]{0,16})\(', text[i:])
            if not m:
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
            blank(i + 1, j)
            i = j
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum() and not _is_char_prefix(text, i):
                i += 1  # a digit separator: 1'000
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            blank(i + 1, j - 1)
            i = j
        else:
            i += 1
    return "".join(out)


def _is_char_prefix(text, i):
    m = re.search(r"(?:^|[^\w])(u8|u|U|L)$", text[max(0, i - 3):i])
    return m is not None


def drop_cond_end(line, start):
    """Where the right operand of the `&&` at start ends, or None if not on this line."""
    depth = 0
    j = start
    while j < len(line):
        ch = line[j]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            if depth == 0:
                return j
            depth -= 1
        elif line.startswith("::", j):
            j += 2  # a scope, not the ternary's colon
            continue
        elif depth == 0 and (ch in ";,?:" or line.startswith("&&", j) or line.startswith("||", j)):
            return j
        j += 1
    return None


def line_sites(path, lines, masked):
    sites = []
    prev_code = ""
    for no, (orig, code) in enumerate(zip(lines, masked), start=1):
        stripped = code.strip()
        if not stripped:
            continue
        templ = "template" in code or "operator" in code
        for m in CMP_RE.finditer(code):
            op = m.group(1)
            if op in ("<", ">") and templ:
                continue
            sites.append((path, no, "flip", m.start(), op, FLIP[op]))
            if op in BOUND:
                sites.append((path, no, "bound", m.start(), op, BOUND[op]))
        for m in PLUS_ONE_RE.finditer(code):
            sites.append((path, no, "bound", m.start(), m.group(0), ""))
        for m in AND_RE.finditer(code):
            end = drop_cond_end(code, m.end())
            # A template's arguments would be cut at their comma: left alone.
            if end is not None and code[m.end():end].strip() and not re.search(r"\w<", code[m.end():end]):
                # Trailing spaces stay with what follows.
                while end > m.end() and code[end - 1] == " ":
                    end -= 1
                sites.append((path, no, "drop_cond", m.start(), orig[m.start():end], ""))
        if not re.match(r"^\s*(case\b|enum\b|alignas|static_assert)", code) and "[" not in code:
            for m in INT_RE.finditer(code):
                value = int(m.group(1))
                if m.group(1).startswith("0") and len(m.group(1)) > 1:
                    continue  # octal
                sites.append((path, no, "constant", m.start(), m.group(0), str(value + 1) + m.group(2)))
        m = CALL_RE.match(code)
        if m and m.group(3) not in KEYWORDS and code.count("(") == code.count(")") and "=" not in code.split("(")[0]:
            sites.append((path, no, "skip", len(m.group(1)), orig[len(m.group(1)):len(code.rstrip())], "(void)0;"))
        m = RETURN_RE.match(code)
        if m and GUARD_RE.match(prev_code):
            sites.append((path, no, "skip", len(m.group(1)), orig[len(m.group(1)):len(code.rstrip())], "(void)0;"))
        prev_code = stripped
    return sites


def find_sites(root, files):
    sites = []
    for f in files:
        with open(f"{root}/{f}", encoding="utf-8", errors="surrogateescape") as fh:
            text = fh.read()
        sites += line_sites(f, text.split("\n"), mask(text).split("\n"))
    return sites


def folder(site):
    parts = site[0].split("/")
    return parts[1] if len(parts) > 2 else "."


def sample(sites, seed, total, floor=4):
    """A fixed sample: per folder in proportion to its sites (at least `floor`),
    and within a folder the kinds taken in turn, one fault a line."""
    rng = random.Random(seed)
    by_folder = defaultdict(list)
    for s in sites:
        by_folder[folder(s)].append(s)
    names = sorted(by_folder)
    floor = min(floor, total // max(1, len(names)))  # a small sample is spread thinner
    quota = {f: min(floor, len(by_folder[f])) for f in names}
    rest = max(0, total - sum(quota.values()))
    weight = sum(len(by_folder[f]) for f in names) or 1
    shares = {f: rest * len(by_folder[f]) / weight for f in names}
    for f in names:
        quota[f] += int(shares[f])
    left = total - sum(quota.values())
    for f in sorted(names, key=lambda f: shares[f] - int(shares[f]), reverse=True)[:max(0, left)]:
        quota[f] += 1
    chosen = []
    for f in names:
        pools = defaultdict(list)
        for s in by_folder[f]:
            pools[s[2]].append(s)
        for k in pools:
            rng.shuffle(pools[k])
        order = [k for k in KINDS if pools[k]]
        rng.shuffle(order)
        used_lines = set()
        taken = 0
        while taken < quota[f] and any(pools[k] for k in order):
            for k in order:
                if taken >= quota[f]:
                    break
                while pools[k]:
                    s = pools[k].pop()
                    if (s[0], s[1]) not in used_lines:
                        used_lines.add((s[0], s[1]))
                        chosen.append(s)
                        taken += 1
                        break
    return sorted(chosen, key=lambda s: (s[0], s[1]))


def encode(s):
    return "\t".join([s[0], str(s[1]), s[2], str(s[3]), s[4].replace("\t", " "), s[5]])


def plant(root, line):
    path, no, kind, col, old, new = line.rstrip("\n").split("\t")
    no, col = int(no), int(col)
    with open(f"{root}/{path}", encoding="utf-8", errors="surrogateescape", newline="") as fh:
        lines = fh.read().split("\n")
    text = lines[no - 1]
    if text[col:col + len(old)] != old:
        sys.exit(f"mutate: {path}:{no} no longer reads {old!r}")
    lines[no - 1] = text[:col] + new + text[col + len(old):]
    with open(f"{root}/{path}", "w", encoding="utf-8", errors="surrogateescape", newline="") as fh:
        fh.write("\n".join(lines))


def sync(source, target):
    wanted = set()
    for base, dirs, files in os.walk(source):
        for name in files:
            rel = os.path.relpath(os.path.join(base, name), source)
            wanted.add(rel)
            to = os.path.join(target, rel)
            if not os.path.isfile(to) or not filecmp.cmp(os.path.join(source, rel), to, shallow=False):
                os.makedirs(os.path.dirname(to), exist_ok=True)
                shutil.copyfile(os.path.join(source, rel), to)
                shutil.copymode(os.path.join(source, rel), to)
    for base, dirs, files in os.walk(target):
        for name in files:
            rel = os.path.relpath(os.path.join(base, name), target)
            if rel not in wanted:
                os.remove(os.path.join(target, rel))


def main(argv):
    if len(argv) >= 5 and argv[1] == "sites":
        root, seed, total = argv[2], int(argv[3]), int(argv[4])
        for s in sample(find_sites(root, sorted(set(argv[5:]))), seed, total):
            print(encode(s))
    elif len(argv) == 4 and argv[1] == "plant":
        plant(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == "sync":
        sync(argv[2], argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

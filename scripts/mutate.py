#!/usr/bin/env python3
"""Mutation check: do the tests notice when one operator in src/ changes?

Lists the places in the code the host build compiles where one small operator
change is possible, picks some of them with a seed, and for each one changes
that line, rebuilds incrementally in its own build folder, runs the tests and
puts the file back. A mutant is killed when a test fails (or runs past the time
limit), survives when every test passes, and is not viable when it does not
build. Prints one line per mutant and the kill rate.

Standard library only. Deterministic for a given seed and tree.
"""

import argparse
import fnmatch
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Pure documentation and packaging checks; a change in src/ reaches them only
# through the program, which the end-to-end tests run anyway.
DEFAULT_EXCLUDE = r"^(doc|package)\."


@dataclass(frozen=True)
class Site:
    path: str  # relative to the repository root
    line: int  # 1-based
    column: int  # 0-based offset of the change in the line
    kind: str
    before: str  # the whole line, unchanged
    after: str  # the whole line, mutated

    @property
    def key(self):
        return f"{self.path}:{self.line}:{self.column}:{self.kind}"


# ---------------------------------------------------------------------------
# Reading C++ just well enough: comments and literals blanked, dead #if
# branches dropped.


def blank_comments_and_literals(text):
    """Returns text of the same length and line structure in which comments and
    the insides of string and character literals are spaces."""
    out = list(text)
    i, n = 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and i + 1 < n and text[i + 1] == '"' and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                i += 1
                continue
            close = ")" + m.group(1) + '"'
            j = text.find(close, i + m.end())
            j = n if j < 0 else j + len(close)
            blank(i + 2, j - 1)
            i = j
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum():
                i += 1  # digit separator, as in 1'000
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, min(j, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


def predefined_macros(compiler):
    """The macros the compiler defines for the host, from `-dM -E`."""
    try:
        result = subprocess.run([compiler, "-x", "c++", "-std=c++20", "-dM", "-E", "-"],
                                input="", capture_output=True, text=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        return set()
    return {line.split()[1].split("(")[0] for line in result.stdout.splitlines()
            if line.startswith("#define ")}


def evaluate_condition(expression, defined):
    """Evaluates a simple #if expression; None when it is beyond this reader."""
    expression = re.sub(r"defined\s*\(\s*(\w+)\s*\)|defined\s+(\w+)",
                        lambda m: " True " if (m.group(1) or m.group(2)) in defined else " False ",
                        expression)
    expression = expression.replace("&&", " and ").replace("||", " or ")
    expression = re.sub(r"!(?!=)", " not ", expression)
    if re.search(r"[A-Za-z_]\w*", re.sub(r"\b(True|False|and|or|not)\b", "", expression)):
        return None
    try:
        return bool(eval(expression, {"__builtins__": {}}, {}))  # only literals remain
    except Exception:
        return None


def compiled_lines(code_lines, defined):
    """Marks per line whether the host compiles it: False inside #if branches the
    predefined macros rule out (and on the directive lines themselves). An
    expression this reader cannot evaluate counts as compiled."""
    defined = set(defined)
    stack = []  # per open #if: [this branch live, some branch taken, parent live]
    live = True
    marks = []
    for raw in code_lines:
        line = raw.strip()
        m = re.match(r"#\s*(\w+)\s*(.*)", line)
        if not m:
            marks.append(live)
            continue
        marks.append(False)
        directive, rest = m.group(1), m.group(2).strip()
        if directive in ("if", "ifdef", "ifndef"):
            if directive == "ifdef":
                value = rest.split()[0] in defined if rest else None
            elif directive == "ifndef":
                value = True  # include guards, and nothing else here uses it
            else:
                value = evaluate_condition(rest, defined)
            value = True if value is None else value
            stack.append([live and value, value, live])
            live = live and value
        elif directive == "elif" and stack:
            top = stack[-1]
            value = evaluate_condition(rest, defined)
            value = True if value is None else value
            branch = not top[1] and value
            top[0], top[1] = top[2] and branch, top[1] or value
            live = top[0]
        elif directive == "else" and stack:
            top = stack[-1]
            top[0] = top[2] and not top[1]
            top[1] = True
            live = top[0]
        elif directive == "endif" and stack:
            live = stack.pop()[2]
        elif directive == "define" and live and rest:
            defined.add(re.split(r"[\s(]", rest, maxsplit=1)[0])
    return marks


# ---------------------------------------------------------------------------
# The operator changes. Each is (kind, pattern, replacement) over the blanked
# line; clang-format puts spaces around binary operators and none inside
# template brackets or around `&&` of a reference type, which tells them apart.

OPERATORS = [
    ("eq->ne", r"(?<= )==(?= )", "!="),
    ("ne->eq", r"(?<= )!=(?= )", "=="),
    ("lt->le", r"(?<= )<(?= )", "<="),
    ("le->lt", r"(?<= )<=(?= )", "<"),
    ("gt->ge", r"(?<= )>(?= )", ">="),
    ("ge->gt", r"(?<= )>=(?= )", ">"),
    ("and->or", r"(?<= )&&(?= )", "||"),
    ("or->and", r"(?<= )\|\|(?= )", "&&"),
    ("true->false", r"\btrue\b", "false"),
    ("false->true", r"\bfalse\b", "true"),
    ("plus1->minus1", r"(?<= )\+ 1\b(?!\.)", "- 1"),
    ("minus1->plus1", r"(?<= )- 1\b(?!\.)", "+ 1"),
    ("drop-preinc", r"\+\+(?=[A-Za-z_(*])", ""),
    ("drop-postinc", r"(?<=[\w\])])\+\+", ""),
    ("drop-break", r"\bbreak;", ";"),
    ("drop-continue", r"\bcontinue;", ";"),
]

# A number in a brace list of several values (a table row, the bounds of a
# range) moves by one; one-line function bodies have a `;` and are left alone.
TABLE_ROW = re.compile(r"\{[^{};]*,[^{};]*\}")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|[0-9]+)(?=[uUlL]*\b)(?!\.)")


def bump_number(token):
    value = int(token, 16) if token[:2].lower() == "0x" else int(token)
    if token[:2].lower() == "0x":
        return token[:2] + format(value + 1, "X" if any(c in "ABCDEF" for c in token[2:]) else "x")
    return str(value + 1)


def sites_in_line(path, number, original, code):
    found = []
    for kind, pattern, replacement in OPERATORS:
        for m in re.finditer(pattern, code):
            after = original[:m.start()] + replacement + original[m.end():]
            found.append(Site(path, number, m.start(), kind, original, after))
    for row in TABLE_ROW.finditer(code):
        for m in NUMBER.finditer(code, row.start(), row.end()):
            after = original[:m.start()] + bump_number(m.group(1)) + original[m.end():]
            found.append(Site(path, number, m.start(), "table+1", original, after))
    return found


def skipped_statement_lines(code_lines):
    """Lines inside a static_assert, whose changes only break the build."""
    skipped = set()
    depth = 0
    for index, line in enumerate(code_lines):
        if depth == 0 and "static_assert" in line:
            line = line[line.index("static_assert"):]
            depth = 0
            opened = False
            for c in line:
                if c == "(":
                    depth += 1
                    opened = True
                elif c == ")":
                    depth -= 1
            skipped.add(index)
            if opened and depth <= 0:
                depth = 0
        elif depth > 0:
            skipped.add(index)
            depth += line.count("(") - line.count(")")
            depth = max(depth, 0)
    return skipped


def list_sites(files, defined):
    sites = []
    for path in files:
        text = (ROOT / path).read_text(encoding="utf-8")
        originals = text.split("\n")
        code_lines = blank_comments_and_literals(text).split("\n")
        live = compiled_lines(code_lines, defined)
        skipped = skipped_statement_lines(code_lines)
        for index, (original, code) in enumerate(zip(originals, code_lines)):
            if not live[index] or index in skipped or not code.strip():
                continue
            sites.extend(sites_in_line(path, index + 1, original, code))
    return sites


# ---------------------------------------------------------------------------
# The build and the tests.


def run(command, timeout=None, cwd=None, quiet=True):
    """Runs a command in its own process group under nice; returns (rc, output,
    timed out). The whole group is killed on a time-out or an interrupt."""
    process = subprocess.Popen(["nice", "-n", "10", *command], cwd=cwd, text=True, errors="replace",
                               stdout=subprocess.PIPE if quiet else None,
                               stderr=subprocess.STDOUT if quiet else None,
                               start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        return process.returncode, output or "", False
    except subprocess.TimeoutExpired:
        kill_group(process)
        output, _ = process.communicate()
        return -1, output or "", True
    except BaseException:
        kill_group(process)
        process.wait()
        raise


def kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass  # ended meanwhile


def configure(build_dir, build_type, cmake_args):
    """Configures a new build folder (with Ninja where there is one); an
    existing one keeps its generator and build type and only gains the list of
    compile commands."""
    if (build_dir / "compile_commands.json").exists():
        return
    command = ["cmake", "-S", str(ROOT), "-B", str(build_dir), "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
               "-DBUILD_TESTING=ON"]
    if not (build_dir / "CMakeCache.txt").exists():
        command += ["-G", "Ninja"] if shutil.which("ninja") else []
        command += [f"-DCMAKE_BUILD_TYPE={build_type}", *cmake_args]
    rc, output, _ = run(command)
    if rc != 0:
        sys.exit("mutate: configuring failed:\n" + output)


def compiled_sources(build_dir, patterns):
    """The files of src/ that the host build compiles, and the headers beside
    them (they are compiled through the files that include them). Win32 files
    are left out even if a cross build lists them."""
    commands = json.loads((build_dir / "compile_commands.json").read_text())
    sources = set()
    for entry in commands:
        file = Path(entry["file"])
        file = file if file.is_absolute() else Path(entry["directory"]) / file
        try:
            relative = file.resolve().relative_to(ROOT)
        except ValueError:
            continue
        if relative.parts[0] == "src":
            sources.add(relative.as_posix())
    headers = {p.relative_to(ROOT).as_posix() for p in (ROOT / "src").rglob("*.h")}
    files = sorted(f for f in sources | headers
                   if "_win32" not in Path(f).name and any(fnmatch.fnmatch(f, p) for p in patterns))
    return files


def cache_value(build_dir, name, default):
    for line in (build_dir / "CMakeCache.txt").read_text().splitlines():
        if line.startswith(name + ":"):
            return line.split("=", 1)[1] or default
    return default


def quick_test_command(build_dir, exclude):
    """The test program with the most tests: the in-memory unit tests, run once
    in full before ctest."""
    rc, output, _ = run(["ctest", "--test-dir", str(build_dir), "--show-only=json-v1", "-E", exclude])
    if rc != 0:
        return None
    counts = {}
    for test in json.loads(output).get("tests", []):
        command = test.get("command") or []
        if command:
            counts[command[0]] = counts.get(command[0], 0) + 1
    return [max(counts, key=counts.get)] if counts else None


def build(build_dir, jobs, timeout):
    rc, output, timed_out = run(["cmake", "--build", str(build_dir), "-j", str(jobs)], timeout=timeout)
    return rc == 0 and not timed_out, output


def test(build_dir, quick, jobs, exclude, quick_timeout, ctest_timeout):
    """Returns 'killed', 'timeout' or 'survived', and the name of what failed."""
    if quick:
        rc, output, timed_out = run([*quick, "--gtest_brief=1"], timeout=quick_timeout)
        if timed_out:
            return "timeout", Path(quick[0]).name
        if rc != 0:
            failed = re.findall(r"^\[  FAILED  \] (\S+)", output, re.M)
            return "killed", failed[0] if failed else f"{Path(quick[0]).name} (exit {rc})"
    rc, output, timed_out = run(["ctest", "--test-dir", str(build_dir), "--no-tests=error", "-j", str(jobs),
                                 "--stop-on-failure", "--timeout", str(ctest_timeout),
                                 "-E", exclude], timeout=ctest_timeout * 4)
    if timed_out or "***Timeout" in output:
        name = re.findall(r"Test\s+#\d+: (\S+) .*\*\*\*Timeout", output)
        return "timeout", name[0] if name else "ctest"
    if rc != 0:
        failed = re.findall(r"Test\s+#\d+: (\S+) .*\*\*\*(?:Failed|Exception)", output)
        return "killed", failed[0] if failed else "ctest"
    return "survived", ""


# ---------------------------------------------------------------------------


def restore_journal(journal):
    if (journal / "path").exists() and (journal / "content").exists():
        path = ROOT / (journal / "path").read_text()
        path.write_bytes((journal / "content").read_bytes())
        print(f"mutate: restored {path.relative_to(ROOT)} left mutated by an earlier run", flush=True)
    shutil.rmtree(journal, ignore_errors=True)


def show(site):
    return f"{site.path}:{site.line}: {site.kind}\n    - {site.before.strip()}\n    + {site.after.strip()}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=20, help="mutants to pick (default 20)")
    parser.add_argument("--files", action="append", default=[],
                        help="glob over paths such as src/io/utf8.cc; repeatable, a file matching any "
                             "of them counts (default src/*)")
    parser.add_argument("--list", action="store_true", help="print every site and the picked ones; build nothing")
    parser.add_argument("--mutant", action="append", default=[],
                        help="run this site (PATH:LINE:COLUMN:KIND, as listed) instead of a random pick; repeatable")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=float, help="seconds per mutant for ctest (default: 4 x the unmutated run, at least 60)")
    parser.add_argument("--build-dir", default=str(ROOT / "build-mutate"))
    parser.add_argument("--build-type", default="Release")
    parser.add_argument("--cmake-arg", action="append", default=[],
                        help="passed to cmake when it configures a new build folder, "
                             "e.g. --cmake-arg=-DVORTIQ_SANITIZE=ON; repeatable")
    parser.add_argument("--exclude", default=DEFAULT_EXCLUDE, help=f"ctest -E regex (default {DEFAULT_EXCLUDE!r})")
    parser.add_argument("--results", help="append one JSON line per mutant to this file")
    parser.add_argument("--resume", action="store_true",
                        help="skip the mutants already in the --results file (to go on after a stop)")
    args = parser.parse_args()

    build_dir = Path(args.build_dir).resolve()
    configure(build_dir, args.build_type, args.cmake_arg)
    patterns = args.files or ["src/*"]
    files = compiled_sources(build_dir, patterns)
    sites = list_sites(files, predefined_macros(cache_value(build_dir, "CMAKE_CXX_COMPILER", "c++")))
    if not sites:
        sys.exit(f"mutate: no place to change in the compiled sources matching {patterns!r}")
    by_key = {site.key: site for site in sites}
    if args.mutant:
        missing = [key for key in args.mutant if key not in by_key]
        if missing:
            sys.exit("mutate: no such site: " + ", ".join(missing))
        picked = [by_key[key] for key in args.mutant]
    else:
        picked = random.Random(args.seed).sample(sites, min(args.count, len(sites)))
    # In file order, so that consecutive mutants mostly rebuild one file.
    picked.sort(key=lambda s: (s.path, s.line, s.column, s.kind))
    if args.resume and args.results and Path(args.results).exists():
        with open(args.results, encoding="utf-8") as done:
            keys = {json.loads(line)["key"] for line in done if line.strip()}
        picked = [site for site in picked if site.key not in keys]

    if args.list:
        for site in sites:
            print(f"{'*' if site in picked else ' '} {site.key}")
        print(f"{len(sites)} sites in {len(files)} files; {len(picked)} picked (*) with seed {args.seed}")
        return 0

    # A run killed outright (SIGKILL) cannot restore its file: it leaves the
    # original in the journal, and the next run puts it back first.
    journal = build_dir / "mutate-journal"
    restore_journal(journal)
    originals = {path: (ROOT / path).read_bytes() for path in {s.path for s in picked}}
    tree_clean = subprocess.run(["git", "-C", str(ROOT), "diff", "--quiet", "--", "src"]).returncode == 0
    # Ctrl-C and kill both end the run through the same clean-up, also when the
    # shell started it with SIGINT ignored (in the background).
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    print(f"mutate: {len(picked)} of {len(sites)} sites, seed {args.seed}, build {build_dir.name} "
          f"({cache_value(build_dir, 'CMAKE_BUILD_TYPE', 'no build type')})", flush=True)
    ok, output = build(build_dir, args.jobs, None)
    if not ok:
        sys.exit("mutate: the unmutated tree does not build:\n" + output)
    quick = quick_test_command(build_dir, args.exclude)
    started = time.monotonic()
    if quick:
        rc, output, _ = run([*quick, "--gtest_brief=1"])
        if rc != 0:
            sys.exit("mutate: the unmutated unit tests fail:\n" + output)
    quick_seconds = time.monotonic() - started
    started = time.monotonic()
    rc, output, _ = run(["ctest", "--test-dir", str(build_dir), "--no-tests=error", "-j", str(args.jobs),
                          "-E", args.exclude])
    if rc != 0:
        sys.exit("mutate: the unmutated tests fail:\n" + output)
    ctest_seconds = time.monotonic() - started
    ctest_timeout = int(args.timeout or max(60, 4 * ctest_seconds))
    quick_timeout = max(30, 4 * quick_seconds)
    print(f"mutate: unmutated tests {quick_seconds:.1f} s (unit) and {ctest_seconds:.1f} s (ctest); "
          f"limit {quick_timeout:.0f} s and {ctest_timeout} s per mutant", flush=True)

    outcomes = []
    interrupted = False
    results = open(args.results, "a", encoding="utf-8") if args.results else None
    try:
        for number, site in enumerate(picked, 1):
            outcome, by, seconds = run_mutant(site, originals[site.path], journal, build_dir, args,
                                              quick, quick_timeout, ctest_timeout)
            outcomes.append((site, outcome))
            print(f"[{number}/{len(picked)}] {outcome.upper()}{' by ' + by if by else ''} ({seconds:.0f} s) "
                  f"{show(site)}", flush=True)
            if results:
                results.write(json.dumps({"key": site.key, "path": site.path, "line": site.line,
                                          "kind": site.kind, "before": site.before.strip(),
                                          "after": site.after.strip(), "outcome": outcome,
                                          "by": by, "seed": args.seed}) + "\n")
                results.flush()
    except KeyboardInterrupt:
        interrupted = True
        print("mutate: interrupted", file=sys.stderr)
    finally:
        for path, content in originals.items():
            if (ROOT / path).read_bytes() != content:
                (ROOT / path).write_bytes(content)
        if results:
            results.close()
    restored = all((ROOT / p).read_bytes() == c for p, c in originals.items())
    if tree_clean and subprocess.run(["git", "-C", str(ROOT), "diff", "--quiet", "--", "src"]).returncode != 0:
        restored = False
    if not restored:
        print("mutate: src/ DIFFERS from before the run; check `git diff src`", file=sys.stderr)
        return 2
    if outcomes and not interrupted:
        build(build_dir, args.jobs, None)  # leave the build folder built from the restored tree
    report(outcomes)
    return 130 if interrupted else 0


def run_mutant(site, original, journal, build_dir, args, quick, quick_timeout, ctest_timeout):
    """Builds and tests one mutant; the file is restored whatever happens.
    Returns the outcome, what killed it, and the seconds it took."""
    path = ROOT / site.path
    lines = original.decode("utf-8").split("\n")
    assert lines[site.line - 1] == site.before
    lines[site.line - 1] = site.after
    started = time.monotonic()
    try:
        journal.mkdir(exist_ok=True)
        (journal / "path").write_text(site.path)
        (journal / "content").write_bytes(original)
        path.write_bytes("\n".join(lines).encode("utf-8"))
        ok, _ = build(build_dir, args.jobs, 1800)
        if not ok:
            outcome, by = "not viable", ""
        else:
            outcome, by = test(build_dir, quick, args.jobs, args.exclude, quick_timeout, ctest_timeout)
    finally:
        path.write_bytes(original)
        shutil.rmtree(journal, ignore_errors=True)
    return outcome, by, time.monotonic() - started


def report(outcomes):
    count = {kind: sum(1 for _, o in outcomes if o == kind)
             for kind in ("killed", "timeout", "survived", "not viable")}
    survivors = [site for site, o in outcomes if o == "survived"]
    timeouts = [site for site, o in outcomes if o == "timeout"]
    print()
    if survivors:
        print("Survivors:")
        for site in survivors:
            print("  " + show(site))
    if timeouts:
        print("Timed out (counted as killed):")
        for site in timeouts:
            print(f"  {site.path}:{site.line}: {site.kind}")
    viable = count["killed"] + count["timeout"] + count["survived"]
    rate = 100.0 * (count["killed"] + count["timeout"]) / viable if viable else 0.0
    print(f"{len(outcomes)} mutants: {count['killed']} killed, {count['timeout']} timed out, "
          f"{count['survived']} survived, {count['not viable']} not viable; "
          f"kill rate {rate:.1f} % of {viable} viable")


if __name__ == "__main__":
    sys.exit(main())
